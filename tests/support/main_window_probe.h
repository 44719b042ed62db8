#pragma once

// Test access to the main window's members. Tests drive the window through its widgets wherever an
// operator could; this reaches what an operator cannot: the link (to open a pseudo-terminal by path)
// and the report handlers.

#include "app/main_window.h"

class MainWindowProbe {
public:
    static rx48p_serialport& link(MainWindow& w) { return w.serial; }
    static vex_com::interpreter& parser(MainWindow& w) { return w.interpreter; }
    static QTextEdit& console(MainWindow& w) { return w.logConsole; }
    static QPushButton& clearButton(MainWindow& w) { return w.buttonClear; }
    static UI_ButtonCmd& commandPanel(MainWindow& w) { return w.buttonCmd; }
    static UI_comPortManager& portRow(MainWindow& w) { return w.portManager; }
    static QMenuBar& menuBar(MainWindow& w) { return w.mainMenu; }
    static QAction* aboutAction(MainWindow& w) { return w.actionAbout; }
    static const QList<QSerialPortInfo>& ports(MainWindow& w) { return w.ports; }
};
