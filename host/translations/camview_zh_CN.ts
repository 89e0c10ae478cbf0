<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>DeviceList</name>
    <message>
        <source>usable</source>
        <translation>可用</translation>
    </message>
    <message>
        <source>refused: %1</source>
        <translation>已拒绝：%1</translation>
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
        <source>Cannot be used: %1</source>
        <translation>无法使用：%1</translation>
    </message>
    <message>
        <source>Cameras (%1)</source>
        <translation>相机 (%1)</translation>
    </message>
    <message>
        <source>Cards (%1)</source>
        <translation>采集卡 (%1)</translation>
    </message>
</context>
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
        <source>received: the frames that came complete from the camera
shown: those the screen showed
skipped: those not shown because a newer frame came first
lost: the frames the camera or the network lost (incomplete or missing)</source>
        <translation>已接收：从相机完整收到的帧
已显示：屏幕显示过的帧
跳过：因更新的帧先到而未显示的帧
丢失：相机或网络丢失的帧（不完整或缺失）</translation>
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
        <source>%n received</source>
        <translation>
            <numerusform>已接收 %n 帧</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n shown</source>
        <translation>
            <numerusform>已显示 %n 帧</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n skipped</source>
        <translation>
            <numerusform>跳过 %n 帧</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n lost</source>
        <translation>
            <numerusform>丢失 %n 帧</numerusform>
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
    <message>
        <source>There is no image to save</source>
        <translation>没有可保存的图像</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>lost</source>
        <translation>已丢失</translation>
    </message>
    <message>
        <source>the camera was removed</source>
        <translation>相机已被移除</translation>
    </message>
    <message>
        <source>the camera was made unusable</source>
        <translation>相机已被设为不可用</translation>
    </message>
    <message>
        <source>the camera service stopped</source>
        <translation>相机服务已停止</translation>
    </message>
    <message>
        <source>no stream: %1</source>
        <translation>无图像流：%1</translation>
    </message>
    <message>
        <source>AcquisitionStart failed: %1</source>
        <translation>AcquisitionStart 失败：%1</translation>
    </message>
</context>
<context>
    <name>ProblemArea</name>
    <message>
        <source>Not confirmed: %1</source>
        <translation>未确认：%1</translation>
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
        <source>not confirmed</source>
        <translation>未确认</translation>
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
    <message>
        <source>Save &amp;Image...</source>
        <translation>保存图像(&amp;I)...</translation>
    </message>
    <message>
        <source>Save the image view&apos;s picture as a PNG at full resolution</source>
        <translation>以全分辨率将图像视图的画面保存为 PNG</translation>
    </message>
    <message>
        <source>Ctrl+Shift+S</source>
        <translation>Ctrl+Shift+S</translation>
    </message>
    <message>
        <source>There is no image to save</source>
        <translation>没有可保存的图像</translation>
    </message>
    <message>
        <source>Save Image</source>
        <translation>保存图像</translation>
    </message>
</context>
<context>
    <name>ProblemIndicator</name>
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
<context>
    <name>StartSequence</name>
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
        <source>Device %1 was not listed within %2 s</source>
        <translation>设备 %1 在 %2 秒内未出现</translation>
    </message>
    <message>
        <source>Device %1 cannot be used: %2</source>
        <translation>设备 %1 无法使用：%2</translation>
    </message>
</context>
<context>
    <name>camview</name>
    <message>
        <source>the shown board has no feature tree</source>
        <translation>当前显示的面板没有特征树</translation>
    </message>
    <message>
        <source>the shown board has no panel rows</source>
        <translation>当前显示的面板没有参数行</translation>
    </message>
    <message>
        <source>Shows the parameters of cameras and frame-grabber cards.</source>
        <translation>显示相机和采集卡的参数。</translation>
    </message>
    <message>
        <source>Adds a simulated camera described by FILE (GenICam XML). May be repeated.</source>
        <translation>添加由 FILE（GenICam XML）描述的模拟相机。可重复。</translation>
    </message>
    <message>
        <source>Adds a simulated frame-grabber card described by FILE (GenICam XML). May be repeated.</source>
        <translation>添加由 FILE（GenICam XML）描述的模拟采集卡。可重复。</translation>
    </message>
    <message>
        <source>Opens the GigE Vision device at ADDRESS (or the device of that id) without discovery. May be repeated.</source>
        <translation>不经搜索，直接打开位于 ADDRESS 的 GigE Vision 设备（或该 ID 的设备）。可重复。</translation>
    </message>
    <message>
        <source>Starts without the built-in simulated devices.</source>
        <translation>启动时不加载内置模拟设备。</translation>
    </message>
    <message>
        <source>Looks for real GigE Vision and USB3 Vision devices.</source>
        <translation>搜索真实的 GigE Vision 和 USB3 Vision 设备。</translation>
    </message>
    <message>
        <source>Language of the window: en or zh.</source>
        <translation>窗口语言：en 或 zh。</translation>
    </message>
    <message>
        <source>Focuses the device ID (or the device at that address) at start (default: the first camera).</source>
        <translation>启动时聚焦设备 ID（或该地址的设备）（默认：第一台相机）。</translation>
    </message>
    <message>
        <source>How long to wait for the --focus device to be listed and its board built (default 10).</source>
        <translation>等待 --focus 设备出现并建好面板的时间（默认 10 秒）。</translation>
    </message>
    <message>
        <source>Writes a PNG of the window to FILE once the boards are built, then exits.</source>
        <translation>面板建好后将窗口截图保存为 PNG 文件 FILE，然后退出。</translation>
    </message>
    <message>
        <source>Prints the focused device&apos;s feature tree (labels, values, hidden rows marked) once the boards are built, then exits.</source>
        <translation>面板建好后打印当前设备的特征树（名称、数值，标出隐藏行），然后退出。</translation>
    </message>
    <message>
        <source>Starts the acquisition of the focused camera at start (with --screenshot, the screenshot waits for its first frame).</source>
        <translation>启动时开始采集当前相机的图像（与 --screenshot 同用时，截图等待第一帧）。</translation>
    </message>
    <message>
        <source>Prints the focused device&apos;s Param Setting panel (tabs, groups, shown rows and their values) once the boards are built, then exits.</source>
        <translation>面板建好后打印当前设备的参数设置面板（标签页、分组、显示的行及其数值），然后退出。</translation>
    </message>
    <message>
        <source>Loads the settings in FILE into the focused device once the boards are built, prints what failed; exits unless a screenshot or dump follows (code 1 when a line failed).</source>
        <translation>面板建好后将 FILE 中的设置载入当前设备，打印失败的行；若之后没有截图或打印则退出（有行失败时返回 1）。</translation>
    </message>
    <message>
        <source>Saves the focused device&apos;s settings to FILE (after --load-settings), then exits unless a screenshot or dump follows.</source>
        <translation>将当前设备的设置保存到 FILE（在 --load-settings 之后），若之后没有截图或打印则退出。</translation>
    </message>
    <message>
        <source>Writes the image view&apos;s picture at full resolution to FILE (PNG; with --play, once the first frame came), then exits.</source>
        <translation>以全分辨率将图像视图的画面写入 FILE（PNG；与 --play 同用时等第一帧到达），然后退出。</translation>
    </message>
    <message>
        <source>Unexpected argument: %1</source>
        <translation>多余的参数：%1</translation>
    </message>
    <message>
        <source>Unknown language &apos;%1&apos;: use en or zh.</source>
        <translation>未知语言“%1”：请使用 en 或 zh。</translation>
    </message>
    <message>
        <source>--wait takes a whole number of seconds, not &apos;%1&apos;.</source>
        <translation>--wait 需要整数秒，而不是“%1”。</translation>
    </message>
    <message>
        <source>The window&apos;s size, for instance 800x600.</source>
        <translation>窗口尺寸，例如 800x600。</translation>
    </message>
    <message>
        <source>--size takes WIDTHxHEIGHT in pixels, not &apos;%1&apos;.</source>
        <translation>--size 需要以像素为单位的 宽x高，而不是“%1”。</translation>
    </message>
</context>
</TS>
