#include "settingsfile.h"

#include "printable.h"

#include <Corvid/CorvidHost.h>
#include <GenApi/GenApi.h>

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QStyle>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long the command line waits for the device it names.
const int kDeviceWaitMs = 15000;

// The context of this file's translated texts.
struct SettingsFile
{
    Q_DECLARE_TR_FUNCTIONS(SettingsFile)
};

QString fromGc(const GenICam::gcstring& text)
{
    return QString::fromUtf8(text.c_str());
}

// Held for the whole load or save: the map stays valid even when the device
// goes meanwhile (its reads then fail).
std::shared_ptr<GenApi::INodeMap> nodeMapOf(const QString& id, bool isCard)
{
    return Corvid::AcquireAttrNodeMap(isCard ? Corvid::FOCUS_CARD : Corvid::FOCUS_CAMERA,
                                      id.toUtf8().toStdString(), Corvid::NODEMAP_REMOTE_DEVICE);
}

SettingsReport failure(const QString& summary)
{
    SettingsReport report;
    report.summary = summary;
    return report;
}

// What a save left out (the bag's results of the given kind): the first
// MaxReportedFailures as lines, then one that counts the rest. Returns their
// number.
int listSaveResults(const GenApi::CFeatureBag& bag, GenApi::CFeatureBag::EStatus status, QStringList& lines)
{
    int count = 0;
    for (const GenApi::CFeatureBag::LineResult& result : bag.GetLineResults()) {
        if (result.Status != status)
            continue;
        if (size_t(++count) > GenApi::CFeatureBag::MaxReportedFailures)
            continue;
        const QString name = result.Name.empty() ? SettingsFile::tr("the save") : fromGc(result.Name);
        lines << name + QStringLiteral(": ") + QString::fromLatin1(GenApi::CFeatureBag::StatusName(status)) +
                     QStringLiteral(": ") + fromGc(result.Message);
    }
    if (size_t(count) > GenApi::CFeatureBag::MaxReportedFailures)
        lines << SettingsFile::tr("and %1 more").arg(count - int(GenApi::CFeatureBag::MaxReportedFailures));
    return count;
}

// Why a settings file cannot be a file to read or replace (empty when it
// can): a directory, a FIFO, a device or a socket is refused without being
// opened for reading or writing.
QString notARegularFile(const QString& fileName, const struct stat& info)
{
    if (S_ISREG(info.st_mode))
        return QString();
    if (S_ISDIR(info.st_mode))
        return SettingsFile::tr("%1 is a directory, not a settings file.").arg(fileName);
    if (S_ISFIFO(info.st_mode))
        return SettingsFile::tr("%1 is a FIFO, not a settings file.").arg(fileName);
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return SettingsFile::tr("%1 is a device, not a settings file.").arg(fileName);
    return SettingsFile::tr("%1 is not a regular file.").arg(fileName);
}

// Reads a settings file: a regular file only, at most one byte more than a
// settings text may hold (the bag refuses a larger one). A FIFO is opened
// without waiting for a writer and refused.
bool readSettingsFile(const QString& fileName, std::string& content, QString& error)
{
    const QByteArray path = QFile::encodeName(fileName);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = SettingsFile::tr("Cannot read %1: %2.")
                    .arg(fileName, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !(error = notARegularFile(fileName, info)).isEmpty()) {
        if (error.isEmpty())
            error = SettingsFile::tr("Cannot read %1.").arg(fileName);
        ::close(fd);
        return false;
    }
    const size_t limit = GenApi::CFeatureBag::MaxStreamSize + 1;
    content.clear();
    char chunk[65536];
    while (content.size() < limit) {
        const ssize_t got = ::read(fd, chunk, std::min(sizeof chunk, limit - content.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = SettingsFile::tr("Cannot read %1: %2.")
                        .arg(fileName, QString::fromLocal8Bit(std::strerror(errno)));
            ::close(fd);
            return false;
        }
        if (got == 0)
            break;
        content.append(chunk, size_t(got));
    }
    ::close(fd);
    return true;
}

bool loadingFailed(GenApi::CFeatureBag::EStatus status)
{
    return status != GenApi::CFeatureBag::Written && status != GenApi::CFeatureBag::Verified;
}

} // namespace

QString SettingsReport::text() const
{
    QStringList lines{printableText(summary)};
    if (!note.isEmpty())
        lines << printableText(note);
    for (const QString& line : failed)
        lines << QStringLiteral("  ") + printableText(line);
    return lines.join(QLatin1Char('\n'));
}

bool findSettingsDevice(QString& id, bool& isCard)
{
    for (const Corvid::DeviceEntry& device : Corvid::ListDevices()) {
        const QString deviceId = QString::fromStdString(device.id);
        if (id.isEmpty() ? (!device.isCard && device.usable) : deviceId == id) {
            id = deviceId;
            isCard = device.isCard;
            return true;
        }
    }
    return false;
}

SettingsReport saveDeviceSettings(const QString& id, bool isCard, const QString& fileName)
{
    // An existing file is replaced only when it is a regular file.
    struct stat info;
    if (::stat(QFile::encodeName(fileName).constData(), &info) == 0) {
        const QString refused = notARegularFile(fileName, info);
        if (!refused.isEmpty())
            return failure(refused + QLatin1Char(' ') + SettingsFile::tr("Nothing was saved."));
    }
    const std::shared_ptr<GenApi::INodeMap> held = nodeMapOf(id, isCard);
    GenApi::INodeMap* map = held.get();
    if (!map)
        return failure(SettingsFile::tr("%1 has no feature map: nothing was saved.").arg(id));
    GenApi::CFeatureBag bag;
    const int64_t lines = bag.StoreToBag(map);

    // All or nothing: a value the device did not give leaves the file as it
    // was, rather than a file that looks complete and is not.
    SettingsReport report;
    report.listTitle = SettingsFile::tr("Features not saved, and why:");
    const int unread = listSaveResults(bag, GenApi::CFeatureBag::NotRead, report.failed);
    if (unread > 0) {
        report.summary = SettingsFile::tr("Could not read %1 of the settings of %2: nothing was saved, "
                                          "%3 is as it was.")
                             .arg(unread)
                             .arg(id, fileName);
        return report;
    }
    const int skipped = listSaveResults(bag, GenApi::CFeatureBag::Skipped, report.failed);

    QSaveFile file(fileName);
    const std::string text = bag.ToString().toStdString();
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), qint64(text.size())) != qint64(text.size()) || !file.commit())
        return failure(
            SettingsFile::tr("Cannot write %1: %2. Nothing was saved.").arg(fileName, file.errorString()));
    report.ok = true;
    report.succeeded = int(lines);
    report.summary = SettingsFile::tr("Saved %1 settings of %2 to %3.").arg(lines).arg(id, fileName);
    if (skipped > 0)
        report.note =
            SettingsFile::tr("%1 features were left out: a settings file cannot hold them.").arg(skipped);
    return report;
}

SettingsReport loadDeviceSettings(const QString& id, bool isCard, const QString& fileName)
{
    const std::shared_ptr<GenApi::INodeMap> held = nodeMapOf(id, isCard);
    GenApi::INodeMap* map = held.get();
    if (!map)
        return failure(SettingsFile::tr("%1 has no feature map: nothing was loaded.").arg(id));
    std::string content;
    QString error;
    if (!readSettingsFile(fileName, content, error))
        return failure(error + QLatin1Char(' ') + SettingsFile::tr("Nothing was loaded."));
    GenApi::CFeatureBag bag;
    {
        std::istringstream stream(std::move(content));
        stream >> bag;
    }

    // A bag of no lines names the device, to say so when the file comes
    // from another model.
    GenApi::CFeatureBag self;
    self.StoreToBag(map, 0);

    // The bag lists the first failures and counts the rest.
    GenICam::gcstring_vector errors;
    SettingsReport report;
    report.listTitle = SettingsFile::tr("Lines not loaded, and why:");
    report.ok = bag.LoadFromBag(map, true, &errors);
    int failed = 0;
    for (const GenApi::CFeatureBag::LineResult& result : bag.GetLineResults()) {
        if (loadingFailed(result.Status))
            ++failed;
        else
            ++report.succeeded;
    }
    for (const GenICam::gcstring& error : errors)
        report.failed << fromGc(error);
    if (bag.IsValid() && !bag.GetInfo().empty() && bag.GetInfo() != self.GetInfo())
        report.note = SettingsFile::tr("The file was saved from %1; this device is %2.")
                          .arg(fromGc(bag.GetInfo()), fromGc(self.GetInfo()));
    report.summary =
        failed == 0
            ? SettingsFile::tr("Loaded %1 into %2: %3 lines written.").arg(fileName, id).arg(report.succeeded)
            : SettingsFile::tr("Loaded %1 into %2: %3 lines written, %4 failed.")
                  .arg(fileName, id)
                  .arg(report.succeeded)
                  .arg(failed);
    // The boards show the new values at once.
    Corvid::NotifyImport(id.toUtf8().toStdString());
    return report;
}

int runSettingsOptions(const QString& focusId, const QString& loadFile, const QString& saveFile)
{
    QString id = focusId;
    bool isCard = false;
    // A device that discovery finds may come in a later device list.
    QElapsedTimer waited;
    waited.start();
    while (!findSettingsDevice(id, isCard) && !focusId.isEmpty() && waited.elapsed() < kDeviceWaitMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    if (!findSettingsDevice(id, isCard)) {
        std::fprintf(stderr, "camview: no device %s\n",
                     qPrintable(focusId.isEmpty() ? SettingsFile::tr("camera") : focusId));
        return 1;
    }
    bool ok = true;
    for (const bool load : {true, false}) {
        const QString& fileName = load ? loadFile : saveFile;
        if (fileName.isEmpty())
            continue;
        const SettingsReport report =
            load ? loadDeviceSettings(id, isCard, fileName) : saveDeviceSettings(id, isCard, fileName);
        std::fprintf(report.ok ? stdout : stderr, "camview: %s\n", report.text().toUtf8().constData());
        ok = ok && report.ok;
    }
    // The import notice of a load is on its way to the boards: once the
    // service has delivered it, their refresh is queued before whatever the
    // caller queues next (a dump, a screenshot).
    if (!loadFile.isEmpty())
        Corvid::WaitForIdle();
    std::fflush(stdout);
    return ok ? 0 : 1;
}

void showSettingsReport(QWidget* parent, const QString& title, const SettingsReport& report)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    auto* icon = new QLabel(&dialog);
    const QStyle::StandardPixmap kind =
        report.ok ? QStyle::SP_MessageBoxInformation : QStyle::SP_MessageBoxWarning;
    icon->setPixmap(dialog.style()->standardIcon(kind).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    header->addWidget(icon);
    auto* texts = new QVBoxLayout;
    // File names, ids and the file's or the device's texts are shown as they
    // are, never as rich text.
    auto* summary = new QLabel(report.summary, &dialog);
    QFont bold = summary->font();
    bold.setBold(true);
    summary->setFont(bold);
    texts->addWidget(summary);
    if (!report.note.isEmpty())
        texts->addWidget(new QLabel(report.note, &dialog));
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    header->addLayout(texts, 1);
    layout->addLayout(header);
    if (!report.failed.isEmpty()) {
        layout->addSpacing(6);
        layout->addWidget(new QLabel(report.listTitle, &dialog));
        auto* lines = new QPlainTextEdit(report.failed.join(QLatin1Char('\n')), &dialog);
        lines->setReadOnly(true);
        lines->setLineWrapMode(QPlainTextEdit::NoWrap);
        lines->setMinimumHeight(200);
        layout->addWidget(lines, 1);
        dialog.resize(820, 400);
    } else {
        dialog.setMinimumWidth(480);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.exec();
}
