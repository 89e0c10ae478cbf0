#include "ctoolpage.h"

#include "ui_ctoolpage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

const char* const kFoldIcon = ":/Resources/icons/camera/fold.png";
const char* const kUnfoldIcon = ":/Resources/icons/camera/unfold.png";
constexpr int kIconSize = 20;

// A chevron pointing right (folded) or down (unfolded), for hosts that
// supply no arrow icons.
QPixmap drawnArrow(bool unfolded, const QSize& size, qreal ratio)
{
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(55, 56, 58), 1.8);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);

    const QPointF c(size.width() / 2.0, size.height() / 2.0);
    const qreal a = qMin(size.width(), size.height()) / 5.0; // half the chevron's width
    QPainterPath path;
    if (unfolded) {
        path.moveTo(c.x() - a, c.y() - a / 2);
        path.lineTo(c.x(), c.y() + a / 2);
        path.lineTo(c.x() + a, c.y() - a / 2);
    } else {
        path.moveTo(c.x() - a / 2, c.y() - a);
        path.lineTo(c.x() + a / 2, c.y());
        path.lineTo(c.x() - a / 2, c.y() + a);
    }
    painter.drawPath(path);
    return pixmap;
}

} // namespace

CToolPage::CToolPage(QWidget* parent) : QWidget(parent), ui(new Ui::CToolPage)
{
    ui->setupUi(this);
    ui->widgetContext->setAttribute(Qt::WA_StyledBackground);

    m_iconLabel = new QLabel(ui->pushButtonFold);
    m_iconLabel->setObjectName(QStringLiteral("iconLabel"));
    m_iconLabel->setFixedSize(kIconSize, kIconSize);
    m_titleLabel = new QLabel(ui->pushButtonFold);
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    showArrow(false);

    auto* titleLayout = new QHBoxLayout(ui->pushButtonFold);
    titleLayout->setContentsMargins(0, 0, 5, 0);
    titleLayout->addWidget(m_iconLabel);
    titleLayout->addWidget(m_titleLabel);
    titleLayout->addStretch(1);

    m_isExpanded = false;
    connect(ui->pushButtonFold, &QAbstractButton::clicked, this, &CToolPage::onPushButtonFoldClicked);
    setSpacerExpanding(false);
}

CToolPage::~CToolPage()
{
    delete ui;
}

void CToolPage::addWidget(const QString& title, const QString& titleZh, QWidget* widget, int type)
{
    m_titleLabel->setText(title);
    m_titleEn = title;
    m_titleZh = titleZh;
    if (widget) {
        ui->verticalLayoutContext->addWidget(widget);
        m_widgets.append(widget);
    }
    expand();
    if (type == 1)
        ui->pushButtonFold->hide();
}

void CToolPage::expand()
{
    if (m_spacerFollowsFold)
        setSpacerExpanding(false);
    ui->widgetContext->show();
    m_isExpanded = true;
    showArrow(true);
}

void CToolPage::collapse()
{
    if (m_spacerFollowsFold)
        setSpacerExpanding(true);
    ui->widgetContext->hide();
    m_isExpanded = false;
    showArrow(false);
}

void CToolPage::onPushButtonFoldClicked()
{
    if (m_isExpanded)
        collapse();
    else
        expand();
}

void CToolPage::setSpacerExpanding(bool expanding)
{
    if (expanding)
        ui->verticalSpacer->changeSize(20, 40, QSizePolicy::Expanding, QSizePolicy::Expanding);
    else
        ui->verticalSpacer->changeSize(0, 0, QSizePolicy::Minimum, QSizePolicy::Minimum);
    ui->verticalLayout->invalidate();
}

void CToolPage::refresh()
{
    if (ui->widgetContext->isHidden())
        return;
    for (QWidget* widget : qAsConst(m_widgets)) {
        if (auto* content = dynamic_cast<CToolPageContent*>(widget))
            content->refreshItems();
    }
}

void CToolPage::setLanguageType(int languageType)
{
    m_titleLabel->setText(languageType != 0 ? m_titleZh : m_titleEn);
    for (QWidget* widget : qAsConst(m_widgets)) {
        if (auto* content = dynamic_cast<CToolPageContent*>(widget))
            content->setLanguageType(languageType);
    }
}

QString CToolPage::title() const
{
    return m_titleLabel->text();
}

void CToolPage::showArrow(bool unfolded)
{
    const QSize size = m_iconLabel->size();
    const QPixmap icon(QLatin1String(unfolded ? kUnfoldIcon : kFoldIcon));
    if (icon.isNull())
        m_iconLabel->setPixmap(drawnArrow(unfolded, size, devicePixelRatioF()));
    else
        m_iconLabel->setPixmap(icon.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}
