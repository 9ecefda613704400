#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The About box: the program's icon, name, version with build date, and its two web links.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    void Image2Click();
    void Label2Click();
    void OKButtonClick();

    QLabel* Image2 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
};
