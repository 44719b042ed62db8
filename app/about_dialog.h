#pragma once

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent);
    ~AboutDialog() override;

private slots:
    void onLinkClicked();

private:
    QGridLayout grid;
    QLabel logo;
    QLabel labelTitle;
    QLabel labelVersion;
    QLabel labelCredits;
    QPushButton buttonLink;
    QPushButton buttonOk;
};
