#include "app/about_dialog.h"

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {}
AboutDialog::~AboutDialog() = default;
void AboutDialog::onLinkClicked() {}
