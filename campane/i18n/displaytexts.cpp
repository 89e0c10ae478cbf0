#include "displaytexts.h"

#include <iterator>
#include <utility>

namespace {

struct EntryText
{
    const char16_t* english;
    const char16_t* chinese;
};

// Display texts of enumeration entries and image kinds, in this order. The
// order matters: a later pair replaces an earlier one with the same key.
constexpr EntryText kEntryTexts[] = {
    {u"ContinuousTrigger", u"连续触发"},
    {u"ExternalTrigger", u"外部触发"},
    {u"Continuous", u"时间间隔"},
    {u"Encoder", u"编码器"},
    {u"Off", u"Off"},
    {u"PositionUp", u"跟踪前移"},
    {u"PositionDown", u"跟踪后移"},
    {u"DirectionUp", u"忽略前移"},
    {u"DirectionDown", u"忽略后移"},
    {u"Motion", u"双向"},
    {u"OneCycleOnePulse", u"2相1递增"},
    {u"OneCycleTwoPulse", u"2相2递增"},
    {u"OneCycleFourPulse", u"2相4递增"},
    {u"Default", u"默认"},
    {u"UserSet1", u"备份1"},
    {u"UserSet2", u"备份2"},
    {u"UserSet3", u"备份3"},
    {u"UserSet4", u"备份4"},
    {u"UserSet5", u"备份5"},
    {u"LinearSensing", u"高精度"},
    {u"HDRLevel1", u"高动态1"},
    {u"HDRLevel2", u"高动态2"},
    {u"HDRLevel3", u"高动态3"},
    {u"Long Frame", u"长帧"},
    {u"Short Frame", u"短帧"},
    {u"AcqTrigger", u"仅采集"},
    {u"AlwaysOn", u"常亮"},
    {u"Auto", u"自动"},
    {u"Manual", u"手动"},
    {u"Maximum", u"标准"},
    {u"Near", u"近端"},
    {u"Far", u"远端"},
    {u"Normal", u"普通"},
    {u"Fast", u"快速"},
    {u"Full", u"全速"},
    {u"Software", u"软触发"},
    {u"Auto", u"自由采集"},
    {u"Device", u"硬触发"},
    {u"SensorMerge", u"双光机"},
    {u"SensorLeft", u"左光机"},
    {u"SensorRight", u"右光机"},
    {u"2D Left", u"左2D图"},
    {u"2D Right", u"右2D图"},
    {u"Left Streak", u"左条纹图"},
    {u"Right Streak", u"右条纹图"},
    {u"2.5D Left Shot", u"左2.5D正射图"},
    {u"2.5D Right Shot", u"右2.5D正射图"},
    {u"2.5D Left Reflex", u"左2.5D反射图"},
    {u"2.5D Right Reflex", u"右2.5D反射图"},
    {u"Quality Image", u"质量图"},
    {u"GSImage", u"灰度图"},
    {u"SrcImage", u"条纹图"},
    {u"FrontImage", u"正射图"},
    {u"BackImage", u"反射图"},
    {u"Turned Off", u"关"},
    {u"MeanSmoothing", u"均值滤波"},
    {u"Gaussian Smoothing", u"高斯滤波"},
    {u"Standard", u"标准"},
    {u"SuperPrecise", u"高精度"},
    {u"PhaseEngine", u"相移"},
    {u"StripeEngine", u"格雷码"},
};

static_assert(std::size(kEntryTexts) == 61, "entry text table changed size");

// Index of "LinearSensing" and of "Full" in the table.
constexpr int kLinearSensingRow = 19;
constexpr int kFullRow = 34;

QString fromUtf16(const char16_t* text)
{
    return QString::fromUtf16(text);
}

QMap<QString, QString> buildChineseTexts()
{
    QMap<QString, QString> map;
    for (const EntryText& entry : kEntryTexts)
        map.insert(fromUtf16(entry.english), fromUtf16(entry.chinese));
    return map;
}

QMap<QString, QString> buildEnglishNames()
{
    // "LinearSensing" goes in a second time right after "Full"; the pairs
    // further down that share a Chinese text ("标准", "高精度") still replace
    // the earlier English names.
    QMap<QString, QString> map;
    for (int row = 0; row < int(std::size(kEntryTexts)); ++row) {
        map.insert(fromUtf16(kEntryTexts[row].chinese), fromUtf16(kEntryTexts[row].english));
        if (row == kFullRow) {
            const EntryText& again = kEntryTexts[kLinearSensingRow];
            map.insert(fromUtf16(again.chinese), fromUtf16(again.english));
        }
    }
    return map;
}

// Build both maps during static initialisation, before any window exists.
const bool s_entryTextsBuilt = (entryTextsZh(), entryTextsEn(), true);

} // namespace

QString textOf(const QStringList& pair, int language)
{
    return pair.value(language);
}

const QMap<QString, QString>& entryTextsZh()
{
    static const QMap<QString, QString> map = buildChineseTexts();
    return map;
}

const QMap<QString, QString>& entryTextsEn()
{
    static const QMap<QString, QString> map = buildEnglishNames();
    return map;
}

QString chineseEntryText(const QString& english, const QString& fallback)
{
    return entryTextsZh().value(english, fallback);
}

QString englishEntryText(const QString& chinese, const QString& fallback)
{
    return entryTextsEn().value(chinese, fallback);
}
