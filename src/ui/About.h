#pragma once

#include <QDialog>

class QLabel;
class TLinkLabel;
class QPushButton;

// The About box: the program's icon, name, version with build date, and its two web links.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    void Image2Click();
    void Label2Click();
    void OKButtonClick();

    TLinkLabel* Image2 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    TLinkLabel* Label2 = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
};
