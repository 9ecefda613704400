#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class TFiles;
class TLinkLabel;
class TPhotoForm;
class TSkins;

// The file chooser's filter: the photo files in lower and in capital letters, then all files.
QString PhotoFileFilter();

// The options dialog: edits every setting, previews the visual ones live on the frame and
// restores them on Cancel; the photo source, autostart, update, lock and click-through
// take effect on OK.
class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    // `startUpdateCheck` runs the controller's update check at once, not silently.
    TOptionsForm(TPhotoForm& frame, TSkins& skins, TFiles& files,
                 std::function<void()> startUpdateCheck, QWidget* parent = nullptr);

    // The file and folder choosers: given the initial path, they answer the chosen one or
    // an empty text on cancel. Replaceable so that tests can choose.
    std::function<QString(QWidget* parent, const QString& initial)> ChooseFile;
    std::function<QString(QWidget* parent, const QString& initial)> ChooseFolder;

    void cbLanguageClick();
    void cbSkinChange();
    void cbRotateClick();
    void cbStayOnTopClick();
    void cbClickThroughClick();
    void cbFileClick();
    void cbFolderClick();
    void tbTranspChange();
    void tbTranspHoverChange();
    void tbZoomChange();
    void tbDxChange();
    void tbDyChange();
    void bFileClick();
    void bFolderClick();
    void Label4Click();
    void Label7Click();
    void bOkClick();
    void UpdateModeControls();

    QGroupBox* GroupBox1 = nullptr;
    QComboBox* cbLanguage = nullptr;
    QLabel* Label3 = nullptr;
    TLinkLabel* Label4 = nullptr;
    QGroupBox* TntGroupBox1 = nullptr;
    QRadioButton* cbFile = nullptr;
    QLabel* TntLabel6 = nullptr;
    QLineEdit* eFile = nullptr;
    QPushButton* bFile = nullptr;
    QLabel* TntLabel3 = nullptr;
    QSlider* tbZoom = nullptr;
    QLabel* TntLabel4 = nullptr;
    QSlider* tbDx = nullptr;
    QLabel* TntLabel5 = nullptr;
    QSlider* tbDy = nullptr;
    QRadioButton* cbFolder = nullptr;
    QLabel* TntLabel7 = nullptr;
    QLineEdit* eFolder = nullptr;
    QPushButton* bFolder = nullptr;
    QCheckBox* cbSubFolders = nullptr;
    QCheckBox* cbSkip = nullptr;
    QCheckBox* cbRandom = nullptr;
    QLabel* lIterval = nullptr;
    QSpinBox* sInterval = nullptr;
    QLabel* TntLabel2 = nullptr;
    QComboBox* cbSkin = nullptr;
    QCheckBox* cbRotate = nullptr;
    QCheckBox* cbAutostart = nullptr;
    QCheckBox* cbStayOnTop = nullptr;
    QCheckBox* cbAutoUpdate = nullptr;
    QCheckBox* cbLocked = nullptr;
    QCheckBox* cbClickThrough = nullptr;
    QLabel* TntLabel1 = nullptr;
    QSlider* tbTransp = nullptr;
    QLabel* TntLabel21 = nullptr;
    QSlider* tbTranspHover = nullptr;
    TLinkLabel* Label7 = nullptr;
    QPushButton* bOk = nullptr;
    QPushButton* bCancel = nullptr;

    QString SavedLocale;
    QString SavedSkinName;
    bool SavedStayOnTop = false;
    bool SavedRotate = false;
    quint8 SavedTransparency = 255;
    quint8 SavedHoverTransparency = 255;
    quint8 SavedZoom = 0;
    qint32 SavedDX = 0;
    qint32 SavedDY = 0;
    QString SavedFile;
    QString SavedFolder;
    bool SavedSkip = false;
    bool SavedSubfolders = false;
    bool SavedRandom = false;
    quint8 SavedInterval = 1;
    bool SavedModeFile = true;
    bool SavedAutoUpdate = false;

    // Runs TntFormClose with the result, then closes.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void FormCreate();
    void TntFormShow();
    void TntFormClose(int result);

    TPhotoForm& frame;
    TSkins& skins;
    TFiles& files;
    std::function<void()> startUpdateCheck;
    bool closing = false;
};
