#include "OptionsFormUnit.h"

#include "core/GlobalsUnit.h"
#include "core/Messages.h"
#include "core/SettingsUnit.h"
#include "core/Shell.h"
#include "core/WebSites.h"
#include "frame/PhotoFormUnit.h"
#include "frame/TranslateWidgets.h"
#include "i18n/TranslationsUnit.h"
#include "photos/FilesUnit.h"
#include "skins/SkinsUnit.h"
#include "ui/DialogWindow.h"
#include "ui/LinkLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

using namespace Qt::StringLiterals;

namespace {

constexpr int kPictureWidth = 74;
constexpr int kPictureHeight = 158;

// The picture of the left panel: a small framed landscape on a pale wall.
QPixmap DrawPanelPicture(qreal dpr) {
    QPixmap picture(QSize(kPictureWidth, kPictureHeight) * dpr);
    picture.setDevicePixelRatio(dpr);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient wall(0, 0, 0, kPictureHeight);
    wall.setColorAt(0, QColor(0xF4, 0xEE, 0xE2));
    wall.setColorAt(1, Qt::white);
    p.fillRect(QRectF(0, 0, kPictureWidth, kPictureHeight), wall);
    const QRectF outer(9, 14, 56, 72);
    QLinearGradient wood(outer.topLeft(), outer.bottomRight());
    wood.setColorAt(0, QColor(0xA8, 0x74, 0x3C));
    wood.setColorAt(1, QColor(0x5E, 0x3A, 0x1C));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawRect(outer.translated(2, 3));
    p.setBrush(wood);
    p.drawRect(outer);
    const QRectF photo = outer.adjusted(7, 7, -7, -7);
    QLinearGradient sky(photo.topLeft(), photo.bottomLeft());
    sky.setColorAt(0, QColor(0x3D, 0x6F, 0xB4));
    sky.setColorAt(1, QColor(0xF2, 0xC0, 0x8A));
    p.setBrush(sky);
    p.drawRect(photo);
    p.setBrush(QColor(0xFF, 0xE8, 0x9C));
    p.drawEllipse(QPointF(photo.right() - 12, photo.top() + 14), 5, 5);
    QPainterPath hills;
    hills.moveTo(photo.left(), photo.bottom());
    hills.lineTo(photo.left(), photo.bottom() - 16);
    hills.cubicTo(photo.left() + 14, photo.bottom() - 28, photo.left() + 26, photo.bottom() - 8,
                  photo.right(), photo.bottom() - 22);
    hills.lineTo(photo.right(), photo.bottom());
    p.setBrush(QColor(0x3E, 0x6B, 0x3A));
    p.drawPath(hills);
    // The picture hangs on a cord from a nail.
    p.setPen(QPen(QColor(0x70, 0x60, 0x50), 1));
    p.drawLine(QPointF(37, 4), QPointF(outer.left() + 10, outer.top()));
    p.drawLine(QPointF(37, 4), QPointF(outer.right() - 10, outer.top()));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x50, 0x50, 0x50));
    p.drawEllipse(QPointF(37, 4), 2, 2);
    // A second, smaller photo leaning below it.
    const QRectF small(20, 104, 34, 42);
    p.setBrush(QColor(0, 0, 0, 35));
    p.drawRect(small.translated(2, 2));
    p.setBrush(QColor(0xC9, 0xCD, 0xD4));
    p.drawRect(small);
    p.setBrush(QColor(0x8A, 0x9B, 0xB8));
    p.drawRect(small.adjusted(5, 5, -5, -5));
    return picture;
}

template <typename T>
T* Tagged(QWidget* parent, int id) {
    auto* widget = new T(parent);
    widget->setProperty("stringId", id);
    widget->setProperty("text", QString::number(id));  // placeholder until translated
    return widget;
}

QLabel* RowLabel(QWidget* parent, int id) {
    auto* label = Tagged<QLabel>(parent, id);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

TLinkLabel* LinkLabel(QWidget* parent, int id) {
    return Tagged<TLinkLabel>(parent, id);
}

QSlider* TrackBar(QWidget* parent, int minimum, int maximum, int page) {
    auto* bar = new QSlider(Qt::Horizontal, parent);
    bar->setRange(minimum, maximum);
    bar->setPageStep(page);
    bar->setTickPosition(QSlider::NoTicks);
    return bar;
}

QString LocaleFileName(const QString& line) {
    return line.section(u'=', 0, 0);
}

QString LocaleDisplayName(const QString& line) {
    return line.section(u'=', 1);
}

QString DefaultChooseFile(QWidget* parent, const QString& initial) {
    return QFileDialog::getOpenFileName(parent, QString(), initial, PhotoFileFilter());
}

QString DefaultChooseFolder(QWidget* parent, const QString& initial) {
    return QFileDialog::getExistingDirectory(parent, GetText(118), initial,
                                             QFileDialog::ShowDirsOnly);
}

}  // namespace

QString PhotoFileFilter() {
    // The file dialog matches letter case on Linux: phones name their photos in capitals.
    QStringList patterns;
    for (const QString& extension : TFiles::PhotoExtensions()) {
        patterns << u'*' + extension.toLower();
    }
    for (const QString& extension : TFiles::PhotoExtensions()) {
        patterns << u'*' + extension;
    }
    return u"All Images ("_s + patterns.join(u' ') + u");;All Files (*)"_s;
}

TOptionsForm::TOptionsForm(TPhotoForm& frame, TSkins& skins, TFiles& files,
                           std::function<void()> startUpdateCheck, QWidget* parent)
    : QDialog(parent),
      ChooseFile(DefaultChooseFile),
      ChooseFolder(DefaultChooseFolder),
      frame(frame),
      skins(skins),
      files(files),
      startUpdateCheck(std::move(startUpdateCheck)) {
    setWindowFlags(OwnWindowDialogFlags);
    BuildControls();
    FormCreate();
}

void TOptionsForm::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    auto* panel = new QLabel(this);
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    panel->setPalette(white);
    panel->setFixedWidth(kPictureWidth);
    panel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    panel->setPixmap(DrawPanelPicture(devicePixelRatioF()));
    top->addWidget(panel);
    auto* panelLine = new QFrame(this);
    panelLine->setFrameShape(QFrame::VLine);
    panelLine->setFrameShadow(QFrame::Plain);
    panelLine->setLineWidth(1);
    QPalette grey = panelLine->palette();
    grey.setColor(QPalette::WindowText, Qt::gray);
    panelLine->setPalette(grey);
    top->addWidget(panelLine);

    auto* content = new QVBoxLayout;
    content->setContentsMargins(10, 8, 10, 8);

    GroupBox1 = Tagged<QGroupBox>(this, 101);
    auto* language = new QVBoxLayout(GroupBox1);
    cbLanguage = new QComboBox(GroupBox1);
    cbLanguage->setMaxVisibleItems(14);
    language->addWidget(cbLanguage);
    Label3 = Tagged<QLabel>(GroupBox1, 102);
    Label3->setWordWrap(true);
    language->addWidget(Label3);
    Label4 = LinkLabel(GroupBox1, 103);
    connect(Label4, &TLinkLabel::clicked, this, &TOptionsForm::Label4Click);
    language->addWidget(Label4, 0, Qt::AlignLeft);
    content->addWidget(GroupBox1);

    TntGroupBox1 = Tagged<QGroupBox>(this, 110);
    auto* photo = new QGridLayout(TntGroupBox1);
    photo->setVerticalSpacing(8);
    photo->setColumnStretch(1, 1);
    photo->setColumnStretch(3, 1);
    int row = 0;
    cbFile = Tagged<QRadioButton>(TntGroupBox1, 111);
    photo->addWidget(cbFile, row++, 0, 1, 5);
    TntLabel6 = RowLabel(TntGroupBox1, 113);
    eFile = new QLineEdit(TntGroupBox1);
    eFile->setReadOnly(true);
    bFile = new QPushButton(u"..."_s, TntGroupBox1);
    bFile->setFixedWidth(bFile->fontMetrics().horizontalAdvance(u"...."_s) + 16);
    photo->addWidget(TntLabel6, row, 0);
    photo->addWidget(eFile, row, 1, 1, 3);
    photo->addWidget(bFile, row++, 4);
    TntLabel3 = RowLabel(TntGroupBox1, 107);
    tbZoom = TrackBar(TntGroupBox1, 0, MaxZoom, 5);
    photo->addWidget(TntLabel3, row, 0);
    photo->addWidget(tbZoom, row++, 1, 1, 4);
    TntLabel4 = RowLabel(TntGroupBox1, 108);
    tbDx = TrackBar(TntGroupBox1, -MaxPhotoOffset, MaxPhotoOffset, 10);
    TntLabel5 = RowLabel(TntGroupBox1, 109);
    tbDy = TrackBar(TntGroupBox1, -MaxPhotoOffset, MaxPhotoOffset, 10);
    photo->addWidget(TntLabel4, row, 0);
    photo->addWidget(tbDx, row, 1);
    photo->addWidget(TntLabel5, row, 2);
    photo->addWidget(tbDy, row++, 3, 1, 2);
    cbFolder = Tagged<QRadioButton>(TntGroupBox1, 115);
    photo->addWidget(cbFolder, row++, 0, 1, 5);
    TntLabel7 = RowLabel(TntGroupBox1, 114);
    eFolder = new QLineEdit(TntGroupBox1);
    eFolder->setReadOnly(true);
    bFolder = new QPushButton(u"..."_s, TntGroupBox1);
    bFolder->setFixedWidth(bFile->width());
    photo->addWidget(TntLabel7, row, 0);
    photo->addWidget(eFolder, row, 1, 1, 3);
    photo->addWidget(bFolder, row++, 4);
    cbSubFolders = Tagged<QCheckBox>(TntGroupBox1, 116);
    photo->addWidget(cbSubFolders, row++, 1, 1, 4);
    cbSkip = Tagged<QCheckBox>(TntGroupBox1, 117);
    photo->addWidget(cbSkip, row++, 1, 1, 4);
    cbRandom = Tagged<QCheckBox>(TntGroupBox1, 119);
    photo->addWidget(cbRandom, row++, 1, 1, 4);
    // The spin edit follows its label at 7 pixels, whatever the label's length.
    auto* interval = new QHBoxLayout;
    interval->setSpacing(7);
    lIterval = Tagged<QLabel>(TntGroupBox1, 120);
    sInterval = new QSpinBox(TntGroupBox1);
    sInterval->setRange(1, 60);
    interval->addWidget(lIterval);
    interval->addWidget(sInterval);
    interval->addStretch(1);
    photo->addLayout(interval, row++, 1, 1, 4);
    content->addWidget(TntGroupBox1);

    auto* general = new QGridLayout;
    general->setVerticalSpacing(8);
    general->setColumnStretch(1, 1);
    general->setColumnStretch(2, 1);
    row = 0;
    TntLabel2 = RowLabel(this, 104);
    cbSkin = new QComboBox(this);
    cbSkin->setMaxVisibleItems(12);
    general->addWidget(TntLabel2, row, 0);
    general->addWidget(cbSkin, row++, 1, 1, 2);
    cbRotate = Tagged<QCheckBox>(this, 106);
    cbAutostart = Tagged<QCheckBox>(this, 105);
    cbStayOnTop = Tagged<QCheckBox>(this, 112);
    cbAutoUpdate = Tagged<QCheckBox>(this, 150);
    cbLocked = Tagged<QCheckBox>(this, 303);
    cbClickThrough = Tagged<QCheckBox>(this, 304);
    general->addWidget(cbRotate, row, 1);
    general->addWidget(cbAutostart, row++, 2);
    general->addWidget(cbStayOnTop, row, 1);
    general->addWidget(cbAutoUpdate, row++, 2);
    general->addWidget(cbLocked, row, 1);
    general->addWidget(cbClickThrough, row++, 2);
    TntLabel1 = RowLabel(this, 406);
    tbTransp = TrackBar(this, MinTransparency, 255, 20);
    general->addWidget(TntLabel1, row, 0);
    general->addWidget(tbTransp, row++, 1, 1, 2);
    TntLabel21 = RowLabel(this, 407);
    tbTranspHover = TrackBar(this, MinTransparency, 255, 20);
    general->addWidget(TntLabel21, row, 0);
    general->addWidget(tbTranspHover, row++, 1, 1, 2);
    content->addLayout(general);
    content->addStretch(1);
    top->addLayout(content, 1);
    layout->addLayout(top, 1);

    auto* bevel = new QFrame(this);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    layout->addWidget(bevel);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(10, 9, 10, 9);
    Label7 = LinkLabel(this, 412);
    connect(Label7, &TLinkLabel::clicked, this, &TOptionsForm::Label7Click);
    bottom->addWidget(Label7);
    bottom->addStretch(1);
    bOk = Tagged<QPushButton>(this, 5);
    bOk->setDefault(true);
    bOk->setMinimumWidth(86);
    bCancel = Tagged<QPushButton>(this, 8);
    bCancel->setMinimumWidth(86);
    bottom->addWidget(bOk);
    bottom->addWidget(bCancel);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // grows with longer translations

    connect(bOk, &QPushButton::clicked, this, [this] {
        bOkClick();
        accept();
    });
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TOptionsForm::FormCreate() {
    ListLocales();
    const QStringList& locales = LocaleList();
    int selected = -1;  // none when the setting names no listed locale
    for (qsizetype i = 0; i < locales.size(); ++i) {
        cbLanguage->addItem(LocaleDisplayName(locales[i]));
        if (LocaleFileName(locales[i]) == Settings.locale) {
            selected = int(i);
        }
    }
    cbLanguage->setCurrentIndex(selected);
    cbLanguageClick();
    SavedLocale = Settings.locale;

    SavedSkinName = frame.GetSkinName();
    SavedStayOnTop = frame.GetStayOnTop();
    SavedRotate = Settings.rotate;
    SavedTransparency = Settings.transparency;
    SavedHoverTransparency = Settings.hovertransparency;
    SavedZoom = Settings.zoom;
    SavedDX = Settings.optDX;
    SavedDY = Settings.optDY;
    SavedModeFile = Settings.modefile;
    SavedFile = Settings.file;
    SavedFolder = Settings.folder;
    SavedRandom = Settings.random;
    SavedInterval = Settings.changeinterval;
    SavedSkip = Settings.skip;
    SavedSubfolders = Settings.subfolders;
    SavedAutoUpdate = Settings.autoupdate;

    skins.refreshSkinList();
    for (const SkinListEntry& entry : skins.SkinList()) {
        cbSkin->addItem(entry.name);
    }
    cbSkin->setCurrentIndex(cbSkin->findText(SavedSkinName, Qt::MatchExactly));
    // Bound only now, so that filling and selecting do not load a skin.
    connect(cbSkin, &QComboBox::currentIndexChanged, this, &TOptionsForm::cbSkinChange);

    // Check boxes and radio buttons react to the user's clicks only, so setting them here
    // neither asks for click-through nor steps the photo.
    cbAutostart->setChecked(GetAutostart());
    cbRotate->setChecked(Settings.rotate);
    cbStayOnTop->setChecked(SavedStayOnTop);
    cbLocked->setChecked(Settings.locked);
    cbClickThrough->setChecked(Settings.clickthrough);

    tbTransp->setValue(Settings.transparency);
    tbTranspHover->setValue(Settings.hovertransparency);
    tbZoom->setValue(Settings.zoom);
    tbDx->setValue(Settings.optDX);
    tbDy->setValue(Settings.optDY);

    eFile->setText(Settings.file);
    eFolder->setText(Settings.folder);
    cbSkip->setChecked(Settings.skip);
    cbSubFolders->setChecked(Settings.subfolders);
    cbFile->setChecked(Settings.modefile);
    cbFolder->setChecked(!Settings.modefile);
    cbRandom->setChecked(Settings.random);
    sInterval->setValue(Settings.changeinterval);
    cbAutoUpdate->setChecked(Settings.autoupdate);

    UpdateModeControls();

    connect(cbLanguage, &QComboBox::currentIndexChanged, this, &TOptionsForm::cbLanguageClick);
    connect(cbRotate, &QCheckBox::clicked, this, &TOptionsForm::cbRotateClick);
    connect(cbStayOnTop, &QCheckBox::clicked, this, &TOptionsForm::cbStayOnTopClick);
    connect(cbClickThrough, &QCheckBox::clicked, this, &TOptionsForm::cbClickThroughClick);
    connect(cbFile, &QRadioButton::clicked, this, &TOptionsForm::cbFileClick);
    connect(cbFolder, &QRadioButton::clicked, this, &TOptionsForm::cbFolderClick);
    connect(tbTransp, &QSlider::valueChanged, this, &TOptionsForm::tbTranspChange);
    connect(tbTranspHover, &QSlider::valueChanged, this, &TOptionsForm::tbTranspHoverChange);
    connect(tbZoom, &QSlider::valueChanged, this, &TOptionsForm::tbZoomChange);
    connect(tbDx, &QSlider::valueChanged, this, &TOptionsForm::tbDxChange);
    connect(tbDy, &QSlider::valueChanged, this, &TOptionsForm::tbDyChange);
    connect(bFile, &QPushButton::clicked, this, &TOptionsForm::bFileClick);
    connect(bFolder, &QPushButton::clicked, this, &TOptionsForm::bFolderClick);
}

void TOptionsForm::TntFormShow() {
    raise();
    activateWindow();
}

void TOptionsForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    TntFormShow();
}

void TOptionsForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TOptionsForm::cbLanguageClick() {
    const int index = cbLanguage->currentIndex();
    const QStringList& locales = LocaleList();
    try {
        // With no language selected (a locale that is not listed) the current one stays,
        // but the controls still need their texts.
        const bool selected = index >= 0 && index < locales.size();
        const QString name = selected ? LocaleFileName(locales[index]) : Settings.locale;
        if (selected) {
            SelectLocale(name);
        }
        TranslateControls(this);
        setWindowTitle(ApplicationTitle + u" - "_s + GetText(6));
        Settings.locale = name;
    } catch (const std::exception&) {
        // The previous texts stay.
    }
}

void TOptionsForm::cbSkinChange() {
    if (!frame.ChangeSkin(cbSkin->currentText())) {
        const QSignalBlocker blocker(cbSkin);
        cbSkin->setCurrentIndex(cbSkin->findText(frame.GetSkinName(), Qt::MatchExactly));
    }
    frame.RefreshFrame(0);
}

void TOptionsForm::cbRotateClick() {
    Settings.rotate = cbRotate->isChecked();
    frame.RefreshFrame(Settings.rotate ? 1 : -1);
}

void TOptionsForm::cbStayOnTopClick() {
    frame.SetStayOnTop(cbStayOnTop->isChecked());
}

void TOptionsForm::cbClickThroughClick() {
    if (!cbClickThrough->isChecked()) {
        return;
    }
    if (!frame.ClickThroughAvailable()) {
        ShowMessage(MessageKind::Information, GetText(398));
        cbClickThrough->setChecked(false);
    } else if (ShowMessage(MessageKind::Confirmation, GetText(399)) != MessageAnswer::Yes) {
        cbClickThrough->setChecked(false);
    }
}

void TOptionsForm::cbFileClick() {
    UpdateModeControls();
    frame.RefreshFrame(0);
}

void TOptionsForm::cbFolderClick() {
    UpdateModeControls();
    frame.RefreshFrame(0);
}

void TOptionsForm::tbTranspChange() {
    Settings.transparency = quint8(tbTransp->value());
    frame.RefreshFrame(0);
}

void TOptionsForm::tbTranspHoverChange() {
    Settings.hovertransparency = quint8(tbTranspHover->value());
    frame.RefreshFrame(0);
}

void TOptionsForm::tbZoomChange() {
    Settings.zoom = quint8(tbZoom->value());
    frame.RefreshFrame(0);
}

void TOptionsForm::tbDxChange() {
    Settings.optDX = tbDx->value();
    frame.RefreshFrame(0);
}

void TOptionsForm::tbDyChange() {
    Settings.optDY = tbDy->value();
    frame.RefreshFrame(0);
}

void TOptionsForm::bFileClick() {
    const QString chosen = ChooseFile(this, eFile->text());
    if (chosen.isEmpty() || !SavablePath(chosen)) {
        return;
    }
    Settings.file = QDir::toNativeSeparators(chosen);
    eFile->setText(Settings.file);
    frame.RefreshFrame(0);
}

void TOptionsForm::bFolderClick() {
    const QString current = eFolder->text();
    const QString start = !current.isEmpty() && QFileInfo(current).isDir() ? current : QString();
    const QString chosen = ChooseFolder(this, start);
    if (chosen.isEmpty() || !SavablePath(chosen)) {
        return;
    }
    eFolder->setText(WithTrailingBackslash(QDir::toNativeSeparators(chosen)));
}

void TOptionsForm::Label4Click() {
    OpenUrl(ProductSite() + u"/tallowquince/index.php?page=download-translations"_s);
}

void TOptionsForm::Label7Click() {
    OpenUrl(ProductSite() + u"/tallowquince/index.php?page=download-skins"_s);
}

void TOptionsForm::UpdateModeControls() {
    const bool single = cbFile->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(TntLabel6), static_cast<QWidget*>(eFile),
                       static_cast<QWidget*>(bFile), static_cast<QWidget*>(TntLabel3),
                       static_cast<QWidget*>(tbZoom), static_cast<QWidget*>(TntLabel4),
                       static_cast<QWidget*>(tbDx), static_cast<QWidget*>(TntLabel5),
                       static_cast<QWidget*>(tbDy)}) {
        w->setEnabled(single);
    }
    const bool folder = cbFolder->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(TntLabel7), static_cast<QWidget*>(eFolder),
                       static_cast<QWidget*>(bFolder), static_cast<QWidget*>(cbSubFolders),
                       static_cast<QWidget*>(cbSkip), static_cast<QWidget*>(cbRandom),
                       static_cast<QWidget*>(lIterval), static_cast<QWidget*>(sInterval)}) {
        w->setEnabled(folder);
    }
}

void TOptionsForm::bOkClick() {
    Settings.clickthrough = cbClickThrough->isChecked();
    Settings.locked = cbLocked->isChecked();
    frame.RefreshFrame(0);
}

void TOptionsForm::done(int result) {
    if (!closing) {
        closing = true;
        TntFormClose(result);
    }
    QDialog::done(result);
}

void TOptionsForm::TntFormClose(int result) {
    if (result == QDialog::Accepted) {
        SetAutostart(cbAutostart->isChecked());
        Settings.subfolders = cbSubFolders->isChecked();
        Settings.skip = cbSkip->isChecked();
        Settings.modefile = cbFile->isChecked();
        Settings.folder = WithTrailingBackslash(eFolder->text());
        Settings.changeinterval = quint8(sInterval->value());
        Settings.random = cbRandom->isChecked();

        frame.RenderTimer->setInterval(Settings.changeinterval * 60000);
        if (Settings.modefile) {
            frame.RenderTimer->stop();
        } else {
            frame.RenderTimer->start();
        }

        const bool toFolder = SavedModeFile && !Settings.modefile;
        if (toFolder || Settings.folder != SavedFolder || Settings.subfolders != SavedSubfolders) {
            files.Rebuild();
        }

        Settings.autoupdate = cbAutoUpdate->isChecked();
        if (!SavedAutoUpdate && Settings.autoupdate && startUpdateCheck) {
            startUpdateCheck();
        }
        frame.RefreshFrame(0);
        return;
    }

    SelectLocale(SavedLocale);
    Settings.locale = SavedLocale;
    frame.SetStayOnTop(SavedStayOnTop);
    Settings.transparency = SavedTransparency;
    Settings.hovertransparency = SavedHoverTransparency;
    Settings.rotate = SavedRotate;
    Settings.zoom = SavedZoom;
    Settings.optDX = SavedDX;
    Settings.optDY = SavedDY;
    Settings.folder = SavedFolder;
    Settings.file = SavedFile;
    frame.ChangeSkin(SavedSkinName);
    frame.RefreshFrame(0);
}
