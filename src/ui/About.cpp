#include "About.h"

#include "core/GlobalsUnit.h"
#include "core/Shell.h"
#include "core/WebSites.h"
#include "frame/TranslateWidgets.h"
#include "i18n/TranslationsUnit.h"
#include "ui/DialogWindow.h"
#include "ui/LinkLabel.h"
#include "version/VersionInfoUnit.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kBannerWidth = 298;
constexpr int kBannerHeight = 74;

// The banner at the top of the box: the program's name on a dusk sky over hills.
QPixmap DrawBanner(const QIcon& icon, qreal dpr) {
    QPixmap banner(QSize(kBannerWidth, kBannerHeight) * dpr);
    banner.setDevicePixelRatio(dpr);
    QPainter p(&banner);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kBannerHeight);
    sky.setColorAt(0, QColor(0x2B, 0x4C, 0x7E));
    sky.setColorAt(0.7, QColor(0xE8, 0x9F, 0x6A));
    sky.setColorAt(1, QColor(0xF6, 0xD1, 0x8F));
    p.fillRect(QRectF(0, 0, kBannerWidth, kBannerHeight), sky);
    QPainterPath hills;
    hills.moveTo(0, kBannerHeight);
    hills.lineTo(0, 52);
    hills.cubicTo(60, 38, 110, 60, 170, 50);
    hills.cubicTo(220, 42, 260, 56, kBannerWidth, 46);
    hills.lineTo(kBannerWidth, kBannerHeight);
    p.fillPath(hills, QColor(0x3B, 0x2E, 0x4A, 220));
    icon.paint(&p, QRect(14, 13, 48, 48));
    QFont font = QApplication::font();
    font.setPointSizeF(18);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRectF(75, 13, 220, 36), Qt::AlignLeft | Qt::AlignVCenter, ApplicationTitle);
    p.setPen(Qt::white);
    p.drawText(QRectF(74, 12, 220, 36), Qt::AlignLeft | Qt::AlignVCenter, ApplicationTitle);
    return banner;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setWindowFlags(OwnWindowDialogFlags | Qt::WindowStaysOnTopHint);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 9);
    layout->setSpacing(0);

    auto* panel2 = new QFrame(this);
    panel2->setAutoFillBackground(true);
    QPalette white = panel2->palette();
    white.setColor(QPalette::Window, Qt::white);
    panel2->setPalette(white);
    panel2->setFixedHeight(kBannerHeight);
    auto* bannerLayout = new QHBoxLayout(panel2);
    bannerLayout->setContentsMargins(0, 0, 0, 0);
    Image2 = new TLinkLabel(panel2);
    Image2->setAlignment(Qt::AlignCenter);
    connect(Image2, &TLinkLabel::clicked, this, &TAboutBox::Image2Click);
    bannerLayout->addWidget(Image2);
    layout->addWidget(panel2);

    auto* bevel1 = new QFrame(this);
    bevel1->setFrameShape(QFrame::HLine);
    bevel1->setFrameShadow(QFrame::Sunken);
    layout->addWidget(bevel1);

    auto* panel1 = new QFrame(this);
    panel1->setFrameShape(QFrame::Panel);
    panel1->setFrameShadow(QFrame::Raised);
    auto* body = new QVBoxLayout(panel1);
    body->setContentsMargins(12, 11, 12, 11);
    auto* head = new QHBoxLayout;
    ProgramIcon = new QLabel(panel1);
    ProgramIcon->setFixedSize(32, 32);
    head->addWidget(ProgramIcon, 0, Qt::AlignTop);
    auto* names = new QVBoxLayout;
    ProductName = new QLabel(panel1);
    QFont bold = ProductName->font();
    bold.setPointSize(10);
    bold.setBold(true);
    ProductName->setFont(bold);
    Version = new QLabel(panel1);
    Version->setTextFormat(Qt::PlainText);  // it shows a locale file's text
    names->addWidget(ProductName);
    names->addWidget(Version);
    head->addSpacing(12);
    head->addLayout(names, 1);
    body->addLayout(head);
    Copyright = new QLabel(VersionInfo().StringValue(QStringLiteral("LegalCopyright")), panel1);
    body->addWidget(Copyright);
    Label2 = new TLinkLabel(panel1);
    connect(Label2, &TLinkLabel::clicked, this, &TAboutBox::Label2Click);
    body->addWidget(Label2);

    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(9, 9, 9, 9);
    middle->addWidget(panel1);
    layout->addLayout(middle, 1);

    OKButton = new QPushButton(QStringLiteral("5"), this);
    OKButton->setProperty("stringId", 5);
    OKButton->setDefault(true);
    OKButton->setMinimumWidth(86);
    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed dialog border

    FormCreate();
}

void TAboutBox::FormCreate() {
    setWindowTitle(ApplicationTitle + QStringLiteral(" - ") + GetText(3));
    ProductName->setText(ApplicationTitle);
    const QIcon icon = QApplication::windowIcon();
    ProgramIcon->setPixmap(icon.pixmap(QSize(32, 32), devicePixelRatioF()));
    Image2->setPixmap(DrawBanner(icon, devicePixelRatioF()));
    Label2->setText(ProductSite() + QStringLiteral("/tallowquince/"));
    TranslateControls(this);
    Version->setText(GetText(10) + u' ' + VersionInfo().BuildText() + QStringLiteral("  ") +
                     VersionInfo().StringValue(QStringLiteral("FileDate")));
}

void TAboutBox::Image2Click() {
    OpenUrl(MakerSite());
}

void TAboutBox::Label2Click() {
    OpenUrl(Label2->text());
}

void TAboutBox::OKButtonClick() {
    accept();
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}
