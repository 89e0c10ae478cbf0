// What the camera-service tests share: the devices they use, data-table
// rows, listeners that record every call as text, and a service started
// afresh for every test.
#pragma once

#include <Corvid/Corvid.h>
#include <Corvid/CorvidHost.h>

#include <QTemporaryDir>
#include <QtTest>

#include <mutex>
#include <thread>

using namespace Corvid;

namespace {

const std::string kCard = "SIM-frame-grabber-card";
const std::string kCamera = "SIM-kvx-slp-camera";
const std::string kDual = "SIM-sl-camera-dual";

const std::string kCameraFile = CAMPANE_DEVICES_DIR "/kvx-slp-camera.xml";
const std::string kValueKinds = CORVID_TEST_DATA "/value-kinds.xml"; // one feature of every kind

//! One row of a data table; string literals go to QString columns.
template <typename... Columns> void row(const char* name, Columns... columns)
{
    (QTest::newRow(name) << ... << columns);
}

//! "name arg arg ...": how the listeners record calls.
QString text(const std::string& value)
{
    return QString::fromStdString(value);
}
QString text(const char* value)
{
    return QString::fromUtf8(value);
}
template <typename T> QString text(T value)
{
    return QString::number(value);
}
template <typename... Args> QString callText(const char* name, const Args&... args)
{
    QStringList parts{QString::fromLatin1(name)};
    (parts.append(text(args)), ...);
    return parts.join(QLatin1Char(' '));
}

//! A listener of every kind, registered while it lives, that records each
//! call as text and the thread it came on. A device list reads
//! "list <cards> / <camera>=<keys 3 and 4> ...": in the call it reads the
//! usability keys of every camera back from the service, as the window does.
class Recorder final : public IDeviceListUpdate,
                       public IFocusUpdate,
                       public ILangUpdate,
                       public IROIDrawUpdate,
                       public IImageModeUpdate,
                       public IImportUpdate
{
public:
    Recorder() { subscribe(true); }
    ~Recorder() { subscribe(false); }
    void subscribe(bool on)
    {
        on ? RegisterDeviceListUpdateListener(this) : UnRegisterDeviceListUpdateListener(this);
        on ? RegisterFocusUpdateListener(this) : UnRegisterFocusUpdateListener(this);
        on ? RegisterLangUpdateListener(this) : UnRegisterLangUpdateListener(this);
        on ? RegisterROIUpdateListener(this) : UnRegisterROIUpdateListener(this);
        on ? RegisterImageModeUpdateListener(this) : UnRegisterImageModeUpdateListener(this);
        on ? RegisterImportUpdateListener(this) : UnRegisterImportUpdateListener(this);
    }

    void DeviceListUpdated(int, std::vector<std::string> cards, std::vector<std::string> cams) override
    {
        QStringList words{QStringLiteral("list")};
        for (const auto& id : cards)
            words << text(id);
        words << QStringLiteral("/");
        for (const auto& id : cams)
            words << text(id + "=" + GetCameraInfo(id, CAM_INFO_OPENED) +
                          GetCameraInfo(id, CAM_INFO_CONNECTED));
        note(words.join(QLatin1Char(' ')));
    }
    void FocusUpdated(FOCUS_TYPE type, std::string id) override { note(callText("focus", type, id)); }
    void LangUpdated(std::string language) override { note(callText("language", language)); }
    void ImageModeUpdated(std::string id, int mode) override { note(callText("image mode", id, mode)); }
    void ImportUpdated(std::string id) override { note(callText("import", id)); }
    void ROIDrawUpdated(std::string id, int leftX, int leftY, int rightX, int rightY, int operation,
                        int& roiId, bool& status) override
    {
        note(callText("roi", id, leftX, leftY, rightX, rightY, operation, roiId));
        roiId = 7;
        status = true;
    }

    //! Every call so far, and the thread of each.
    QStringList events(std::vector<std::thread::id>* threads = nullptr) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (threads)
            *threads = m_threads;
        // A list of its own: sharing it would let the service thread grow a
        // list the caller still reads.
        return QStringList(m_events.cbegin(), m_events.cend());
    }
    //! Whether a call held the text, e.g. a device list "<camera>=00".
    bool saw(const std::string& part) const { return !events().filter(text(part)).isEmpty(); }

private:
    void note(const QString& event)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.append(event);
        m_threads.push_back(std::this_thread::get_id());
    }

    mutable std::mutex m_mutex;
    QStringList m_events;
    std::vector<std::thread::id> m_threads;
};

//! A service started afresh for every test: the devices of devices/, the
//! test's own settings file, and a health check quick enough for the loss
//! tests.
class ServiceFixture
{
protected:
    ServiceOptions options() const
    {
        ServiceOptions o;
        o.devicesDir = CAMPANE_DEVICES_DIR;
        o.settingsFile = m_dir.filePath(QStringLiteral("settings-%1.ini").arg(m_run)).toStdString();
        o.healthCheckIntervalMs = 100;
        return o;
    }

    //! Before each test.
    void startFresh()
    {
        ++m_run; // a fresh settings file for every test
        QCOMPARE(StartService(options()), 0);
    }

    //! After each test.
    void finish()
    {
        StopService();
        QVERIFY(!IsServiceRunning());
    }

    QTemporaryDir m_dir;
    int m_run = 0;
};

} // namespace
