#include "campane.h"
#include "ui_campane.h"

#include "camboardmanager.h"

CamPane::CamPane(QWidget* parent) : QWidget(parent), ui(new Ui::CamPane)
{
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground, true);
    m_manager = new CamBoardManager(this);
    ui->verticalLayout->addWidget(m_manager);
}

CamPane::~CamPane()
{
    delete ui;
}

void CamPane::setPanelWidgetVisiable(bool visible)
{
    if (auto* manager = dynamic_cast<CamBoardManager*>(m_manager))
        manager->setPanelWidgetVisiable(visible);
}

void CamPane::setAllDetailWidgetVisiable(bool visible)
{
    if (auto* manager = dynamic_cast<CamBoardManager*>(m_manager))
        manager->setAllDetailWidgetVisiable(visible);
}

void CamPane::setParamterViewDisable(QString id)
{
    if (auto* manager = dynamic_cast<CamBoardManager*>(m_manager))
        manager->setParamterViewDisable(id);
}

void CamPane::setDefaultCamPaneMode(int mode)
{
    if (auto* manager = dynamic_cast<CamBoardManager*>(m_manager))
        manager->setDefaultMode(mode);
}
