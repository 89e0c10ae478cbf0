#include "settingsfile.h"

#include <Corvid/CorvidHost.h>
#include <GenApi/GenApi.h>

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QThread>
#include <QVBoxLayout>

#include <cstdio>
#include <fstream>

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

GenApi::INodeMap* nodeMapOf(const QString& id, bool isCard)
{
    return Corvid::GetAttrNodeMap(isCard ? Corvid::FOCUS_CARD : Corvid::FOCUS_CAMERA,
                                  id.toUtf8().toStdString(), Corvid::NODEMAP_REMOTE_DEVICE);
}

SettingsReport failure(const QString& summary)
{
    SettingsReport report;
    report.summary = summary;
    return report;
}

} // namespace

QString SettingsReport::text() const
{
    QStringList lines{summary};
    if (!note.isEmpty())
        lines << note;
    for (const QString& line : failed)
        lines << QStringLiteral("  ") + line;
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
    GenApi::INodeMap* map = nodeMapOf(id, isCard);
    if (!map)
        return failure(SettingsFile::tr("%1 has no feature map: nothing was saved.").arg(id));
    GenApi::CFeatureBag bag;
    const int64_t lines = bag.StoreToBag(map);
    std::ofstream file(QFile::encodeName(fileName).constData(), std::ios::binary | std::ios::trunc);
    file << bag;
    file.close();
    if (!file)
        return failure(SettingsFile::tr("Cannot write %1.").arg(fileName));
    SettingsReport report;
    report.ok = true;
    report.succeeded = int(lines);
    report.summary = SettingsFile::tr("Saved %1 settings of %2 to %3.").arg(lines).arg(id, fileName);
    return report;
}

SettingsReport loadDeviceSettings(const QString& id, bool isCard, const QString& fileName)
{
    GenApi::INodeMap* map = nodeMapOf(id, isCard);
    if (!map)
        return failure(SettingsFile::tr("%1 has no feature map: nothing was loaded.").arg(id));
    std::ifstream file(QFile::encodeName(fileName).constData(), std::ios::binary);
    if (!file)
        return failure(SettingsFile::tr("Cannot read %1.").arg(fileName));
    GenApi::CFeatureBag bag;
    file >> bag;

    // A bag of no lines names the device, to say so when the file comes
    // from another model.
    GenApi::CFeatureBag self;
    self.StoreToBag(map, 0);

    GenICam::gcstring_vector errors;
    SettingsReport report;
    report.ok = bag.LoadFromBag(map, true, &errors);
    for (const GenApi::CFeatureBag::LineResult& result : bag.GetLineResults())
        report.succeeded +=
            result.Status == GenApi::CFeatureBag::Written || result.Status == GenApi::CFeatureBag::Verified;
    for (const GenICam::gcstring& error : errors)
        report.failed << fromGc(error);
    if (bag.IsValid() && !bag.GetInfo().empty() && bag.GetInfo() != self.GetInfo())
        report.note = SettingsFile::tr("The file was saved from %1; this device is %2.")
                          .arg(fromGc(bag.GetInfo()), fromGc(self.GetInfo()));
    report.summary =
        report.failed.isEmpty()
            ? SettingsFile::tr("Loaded %1 into %2: %3 lines written.").arg(fileName, id).arg(report.succeeded)
            : SettingsFile::tr("Loaded %1 into %2: %3 lines written, %4 failed.")
                  .arg(fileName, id)
                  .arg(report.succeeded)
                  .arg(report.failed.size());
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
    auto* summary = new QLabel(report.summary, &dialog);
    QFont bold = summary->font();
    bold.setBold(true);
    summary->setFont(bold);
    texts->addWidget(summary);
    if (!report.note.isEmpty())
        texts->addWidget(new QLabel(report.note, &dialog));
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    header->addLayout(texts, 1);
    layout->addLayout(header);
    if (!report.failed.isEmpty()) {
        layout->addSpacing(6);
        layout->addWidget(new QLabel(SettingsFile::tr("Lines not loaded, and why:"), &dialog));
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
