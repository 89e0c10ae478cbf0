<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ImageView</name>
    <message>
        <source>Play</source>
        <translation>采集</translation>
    </message>
    <message>
        <source>Start or stop the acquisition of the shown camera</source>
        <translation>开始或停止当前相机的采集</translation>
    </message>
    <message>
        <source>Fit</source>
        <translation>适应</translation>
    </message>
    <message>
        <source>Fit the image to the view</source>
        <translation>使图像适应视图</translation>
    </message>
    <message>
        <source>1:1</source>
        <translation>1:1</translation>
    </message>
    <message>
        <source>Show the image pixel for pixel</source>
        <translation>按像素原样显示图像</translation>
    </message>
    <message>
        <source>no camera is focused</source>
        <translation>没有选中的相机</translation>
    </message>
    <message>
        <source>the camera cannot acquire now</source>
        <translation>相机现在无法采集</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>No camera</source>
        <translation>无相机</translation>
    </message>
    <message>
        <source>%1 fps</source>
        <translation>%1 帧/秒</translation>
    </message>
    <message numerus="yes">
        <source>%n dropped</source>
        <translation>
            <numerusform>丢弃 %n 帧</numerusform>
        </translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>已停止</translation>
    </message>
    <message>
        <source>Stopped: %1</source>
        <translation>已停止：%1</translation>
    </message>
    <message>
        <source>No image: choose a kind in &quot;2D Image Show&quot;</source>
        <translation>无图像：请在“2D采集显示”中选择图像类型</translation>
    </message>
    <message>
        <source>Waiting for a frame</source>
        <translation>等待图像</translation>
    </message>
</context>
<context>
    <name>LogPanel</name>
    <message>
        <source>warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>info</source>
        <translation>信息</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>级别</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>消息</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>camview</source>
        <translation>camview</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>型号</translation>
    </message>
    <message>
        <source>State</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Device</source>
        <translation>设备(&amp;D)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>视图(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>语言(&amp;L)</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>工具</translation>
    </message>
    <message>
        <source>Save &amp;Screenshot...</source>
        <translation>保存截图(&amp;S)...</translation>
    </message>
    <message>
        <source>Save a PNG of the window</source>
        <translation>将窗口保存为 PNG 图片</translation>
    </message>
    <message>
        <source>Ctrl+S</source>
        <translation>Ctrl+S</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>退出(&amp;Q)</translation>
    </message>
    <message>
        <source>Quit camview</source>
        <translation>退出 camview</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <source>&amp;Lock</source>
        <translation>锁定(&amp;L)</translation>
    </message>
    <message>
        <source>Lock the selected camera&apos;s panel</source>
        <translation>锁定所选相机的参数面板</translation>
    </message>
    <message>
        <source>U&amp;nlock</source>
        <translation>解锁(&amp;N)</translation>
    </message>
    <message>
        <source>Unlock the selected camera&apos;s panel</source>
        <translation>解锁所选相机的参数面板</translation>
    </message>
    <message>
        <source>Make &amp;Usable</source>
        <translation>设为可用(&amp;U)</translation>
    </message>
    <message>
        <source>Make the selected device usable</source>
        <translation>将所选设备设为可用</translation>
    </message>
    <message>
        <source>Make Un&amp;usable</source>
        <translation>设为不可用(&amp;B)</translation>
    </message>
    <message>
        <source>Make the selected device unusable</source>
        <translation>将所选设备设为不可用</translation>
    </message>
    <message>
        <source>Send &amp;Import Notice</source>
        <translation>发送导入通知(&amp;I)</translation>
    </message>
    <message>
        <source>Tell the window that the selected device&apos;s parameters were imported</source>
        <translation>通知窗口所选设备的参数已导入</translation>
    </message>
    <message>
        <source>Send Device &amp;List Again</source>
        <translation>重新发送设备列表(&amp;L)</translation>
    </message>
    <message>
        <source>Send the device list to the window again</source>
        <translation>再次向窗口发送设备列表</translation>
    </message>
    <message>
        <source>F5</source>
        <translation>F5</translation>
    </message>
    <message>
        <source>&amp;Param Setting Tab</source>
        <translation>参数设置页(&amp;P)</translation>
    </message>
    <message>
        <source>Show the simplified parameter panel</source>
        <translation>显示简化参数面板</translation>
    </message>
    <message>
        <source>&amp;All Attribute Tab</source>
        <translation>全部属性页(&amp;A)</translation>
    </message>
    <message>
        <source>Show the tree of all features</source>
        <translation>显示全部属性树</translation>
    </message>
    <message>
        <source>&amp;English</source>
        <translation>&amp;English</translation>
    </message>
    <message>
        <source>Show the window in English</source>
        <translation>以英文显示窗口</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>Show the window in Chinese</source>
        <translation>以中文显示窗口</translation>
    </message>
    <message>
        <source>Import notice sent for %1</source>
        <translation>已向 %1 发送导入通知</translation>
    </message>
    <message>
        <source>Device %1 was not listed within %2 s</source>
        <translation>设备 %1 在 %2 秒内未出现</translation>
    </message>
    <message>
        <source>Cannot add the simulated camera %1</source>
        <translation>无法添加模拟相机 %1</translation>
    </message>
    <message>
        <source>Cannot add the simulated card %1</source>
        <translation>无法添加模拟采集卡 %1</translation>
    </message>
    <message>
        <source>Cannot open the camera %1</source>
        <translation>无法打开相机 %1</translation>
    </message>
    <message>
        <source>usable</source>
        <translation>可用</translation>
    </message>
    <message>
        <source>lost</source>
        <translation>已断开</translation>
    </message>
    <message>
        <source>unusable</source>
        <translation>不可用</translation>
    </message>
    <message>
        <source>locked</source>
        <translation>已锁定</translation>
    </message>
    <message>
        <source>unlocked</source>
        <translation>未锁定</translation>
    </message>
    <message>
        <source>%1 is no longer listed: the empty board is shown</source>
        <translation>%1 已不在列表中：显示空白面板</translation>
    </message>
    <message>
        <source>%1 stopped answering: its board is closed and the empty board is shown</source>
        <translation>%1 已无响应：其面板已关闭，显示空白面板</translation>
    </message>
    <message>
        <source>%1 is no longer usable: its board is closed and the empty board is shown</source>
        <translation>%1 已不可用：其面板已关闭，显示空白面板</translation>
    </message>
    <message>
        <source>Focus on %1</source>
        <translation>焦点：%1</translation>
    </message>
    <message>
        <source>Save Screenshot</source>
        <translation>保存截图</translation>
    </message>
    <message>
        <source>PNG images (*.png)</source>
        <translation>PNG 图片 (*.png)</translation>
    </message>
    <message>
        <source>Saved %1</source>
        <translation>已保存 %1</translation>
    </message>
    <message>
        <source>Cameras (%1)</source>
        <translation>相机 (%1)</translation>
    </message>
    <message>
        <source>Cards (%1)</source>
        <translation>采集卡 (%1)</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>日志</translation>
    </message>
    <message>
        <source>Log (%1)</source>
        <translation>日志 (%1)</translation>
    </message>
    <message>
        <source>Show the log of the pane, the service and camview</source>
        <translation>显示参数窗口、相机服务和 camview 的日志</translation>
    </message>
    <message>
        <source>Sa&amp;ve Settings…</source>
        <translation>保存设置(&amp;V)…</translation>
    </message>
    <message>
        <source>Save the selected device&apos;s settings to a file</source>
        <translation>将所选设备的设置保存到文件</translation>
    </message>
    <message>
        <source>&amp;Load Settings…</source>
        <translation>加载设置(&amp;L)…</translation>
    </message>
    <message>
        <source>Load settings from a file into the selected device</source>
        <translation>从文件加载设置到所选设备</translation>
    </message>
    <message>
        <source>Cannot be used: %1</source>
        <translation>无法使用：%1</translation>
    </message>
    <message>
        <source>%1 cannot be used: %2</source>
        <translation>%1 无法使用：%2</translation>
    </message>
    <message>
        <source>Settings files (*.txt);;All files (*)</source>
        <translation>设置文件 (*.txt);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Load Settings</source>
        <translation>加载设置</translation>
    </message>
    <message>
        <source>Save Settings</source>
        <translation>保存设置</translation>
    </message>
</context>
<context>
    <name>SettingsFile</name>
    <message>
        <source>%1 has no feature map: nothing was saved.</source>
        <translation>%1 没有属性表：未保存任何内容。</translation>
    </message>
    <message>
        <source>Saved %1 settings of %2 to %3.</source>
        <translation>已将 %2 的 %1 项设置保存到 %3。</translation>
    </message>
    <message>
        <source>%1 has no feature map: nothing was loaded.</source>
        <translation>%1 没有属性表：未加载任何内容。</translation>
    </message>
    <message>
        <source>Cannot read %1.</source>
        <translation>无法读取 %1。</translation>
    </message>
    <message>
        <source>The file was saved from %1; this device is %2.</source>
        <translation>该文件保存自 %1；当前设备为 %2。</translation>
    </message>
    <message>
        <source>Loaded %1 into %2: %3 lines written.</source>
        <translation>已将 %1 加载到 %2：写入 %3 行。</translation>
    </message>
    <message>
        <source>Loaded %1 into %2: %3 lines written, %4 failed.</source>
        <translation>已将 %1 加载到 %2：写入 %3 行，%4 行失败。</translation>
    </message>
    <message>
        <source>camera</source>
        <translation>相机</translation>
    </message>
    <message>
        <source>Lines not loaded, and why:</source>
        <translation>未加载的行及原因：</translation>
    </message>
    <message>
        <source>the save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation>另有 %1 项</translation>
    </message>
    <message>
        <source>%1 is a directory, not a settings file.</source>
        <translation>%1 是目录，不是设置文件。</translation>
    </message>
    <message>
        <source>%1 is a FIFO, not a settings file.</source>
        <translation>%1 是命名管道（FIFO），不是设置文件。</translation>
    </message>
    <message>
        <source>%1 is a device, not a settings file.</source>
        <translation>%1 是设备文件，不是设置文件。</translation>
    </message>
    <message>
        <source>%1 is not a regular file.</source>
        <translation>%1 不是普通文件。</translation>
    </message>
    <message>
        <source>Cannot read %1: %2.</source>
        <translation>无法读取 %1：%2。</translation>
    </message>
    <message>
        <source>Nothing was saved.</source>
        <translation>未保存任何内容。</translation>
    </message>
    <message>
        <source>Nothing was loaded.</source>
        <translation>未加载任何内容。</translation>
    </message>
    <message>
        <source>Features not saved, and why:</source>
        <translation>未保存的属性及原因：</translation>
    </message>
    <message>
        <source>Could not read %1 of the settings of %2: nothing was saved, %3 is as it was.</source>
        <translation>无法读取 %2 的 %1 项设置：未保存任何内容，%3 保持不变。</translation>
    </message>
    <message>
        <source>Cannot write %1: %2. Nothing was saved.</source>
        <translation>无法写入 %1：%2。未保存任何内容。</translation>
    </message>
    <message>
        <source>%1 features were left out: a settings file cannot hold them.</source>
        <translation>有 %1 项属性未保存：设置文件无法容纳它们。</translation>
    </message>
</context>
</TS>
