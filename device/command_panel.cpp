#include "device/command_panel.h"

UI_ButtonCmd::UI_ButtonCmd(QWidget* parent) : QWidget(parent) {}
UI_ButtonCmd::~UI_ButtonCmd() = default;
void UI_ButtonCmd::on_ID_Clicked() {}
void UI_ButtonCmd::on_CFG_Clicked() {}
void UI_ButtonCmd::on_DETECT_INSERT_Clicked() {}
void UI_ButtonCmd::on_MES_STATIC_Clicked() {}
void UI_ButtonCmd::on_MES_BUTTON_MECH_Clicked() {}
void UI_ButtonCmd::on_MES_BUTTON_CAP_Clicked() {}
void UI_ButtonCmd::on_DETECT_REMOVE_Clicked() {}
void UI_ButtonCmd::on_set_idle_Clicked() {}
void UI_ButtonCmd::on_hmi_error_Clicked() {}
void UI_ButtonCmd::on_hmi_ok_Clicked() {}
