#include "platform/forms/AboutForm.h"

#include <algorithm>

#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>

#include "platform/forms/CpuSpeed.h"
#include "platform/forms/DataFiles.h"
#include "platform/forms/WidgetHelpers.h"
#include "common/Version.h"
#include "platform/Platform.h"

namespace zendra {

const char* TAboutForm::SupportAddress = "zendra@example.org";

QString TAboutForm::HomePage()
{
    return ProgramDataFile(QStringLiteral("README.md"));
}

namespace {

QFont TitleFont(int pixelSize)
{
    QFont font = PixelFont("Comic Sans MS", QFont::Decorative, pixelSize);
    font.setBold(true);
    return font;
}

// The title font at the largest size up to pixelSize whose text fits width: where the
// classic font is missing, its stand-in may run wider.
QFont FittingTitleFont(const QString& text, int pixelSize, int width)
{
    QFont font = TitleFont(pixelSize);
    while (pixelSize > 8 && QFontMetrics(font).horizontalAdvance(text) > width)
        font = TitleFont(--pixelSize);
    return font;
}

void Colour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

}  // namespace

TAboutForm::TAboutForm(QWidget* owner) : TMyForm(owner)
{
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(332, 239);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(0, 0, 332, 239);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, QColor(0, 128, 192));
    panel->setPalette(palette);
    panel->installEventFilter(this);

    AddShadowedTitle(panel, QStringLiteral("Zendra"), 32, {17, 21}, {19, 22});
    AddShadowedTitle(panel, QStringLiteral("Avi splitter and joiner"), 27, {20, 66}, {18, 65});

    auto* icon = new QLabel(panel);
    icon->setObjectName(QStringLiteral("Image1"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MediaPlay).pixmap(32, 32));
    icon->setGeometry(168, 18, 32, 32);
    icon->installEventFilter(this);

    lbVersion = AddLabel(panel, QStringLiteral("Version"), 24, 112);
    lbVersion->setObjectName(QStringLiteral("lbVersion"));
    QFont versionFont(QStringLiteral("Arial"));
    versionFont.setBold(true);
    versionFont.setPixelSize(13);
    lbVersion->setFont(versionFont);
    Colour(lbVersion, Qt::black);

    Label12 = AddLabel(panel, QStringLiteral("Email: ") + QString::fromLatin1(SupportAddress), 16, 143);
    Label12->setObjectName(QStringLiteral("Label12"));
    Label13 = AddLabel(panel, QStringLiteral("Website: README.md"), 16, 159);
    Label13->setObjectName(QStringLiteral("Label13"));
    for (QLabel* link : {Label12, Label13}) {
        QFont font = link->font();
        font.setPixelSize(11);
        font.setUnderline(true);
        link->setFont(font);
        link->adjustSize();
        link->setCursor(Qt::PointingHandCursor);
        Colour(link, Qt::white);
    }
    lbCPUSpeed = AddLabel(panel, QStringLiteral("???"), 192, 144);
    lbCPUSpeed->setObjectName(QStringLiteral("lbCPUSpeed"));
    Colour(lbCPUSpeed, Qt::white);
    QFont speedFont = lbCPUSpeed->font();
    speedFont.setPixelSize(11);
    lbCPUSpeed->setFont(speedFont);
    AfterConstruction();
}

QLabel* TAboutForm::AddLabel(QWidget* parent, const QString& text, int left, int top)
{
    auto* label = new QLabel(text, parent);
    label->move(left, top);
    label->adjustSize();
    label->installEventFilter(this);
    return label;
}

QLabel* TAboutForm::AddShadowedTitle(QWidget* parent, const QString& text, int pixelSize, QPoint red, QPoint white)
{
    QLabel* under = nullptr;
    const QFont font = FittingTitleFont(text, pixelSize, parent->width() - std::max(red.x(), white.x()) - 4);
    for (const auto& [pos, colour] : {std::pair{red, QColor(Qt::red)}, std::pair{white, QColor(Qt::white)}}) {
        QLabel* label = AddLabel(parent, text, pos.x(), pos.y());
        label->setFont(font);
        label->adjustSize();
        Colour(label, colour);
        if (!under)
            under = label;
    }
    return under;
}

void TAboutForm::showEvent(QShowEvent* event)
{
    TMyForm::showEvent(event);
    FormShow();
}

void TAboutForm::FormShow()
{
    lbVersion->setText(QStringLiteral("Version " ZENDRA_VERSION_TEXT));
    lbVersion->adjustSize();
    repaint();
    lbCPUSpeed->setText(QStringLiteral("CPU speed:") + GetCpuSpeedText());
    lbCPUSpeed->adjustSize();
}

void TAboutForm::keyPressEvent(QKeyEvent*)
{
    accept();
}

void TAboutForm::mousePressEvent(QMouseEvent*)
{
    accept();
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress)
        return TMyForm::eventFilter(watched, event);
    if (watched == Label12)
        Label12Click();
    else if (watched == Label13)
        Label13Click();
    else
        accept();
    return true;
}

void TAboutForm::Label12Click()
{
    ShellOpen(std::string("mailto:") + SupportAddress);
}

void TAboutForm::Label13Click()
{
    ShellOpen(HomePage().toStdString());
}

}  // namespace zendra
