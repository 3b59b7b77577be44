// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The smallest program that looks like the editor at start-up: a main window with a menu, a tool
// bar and a status bar, 789 x 629 and centred on the screen. bench_startup times it beside the
// editor, as the cost of Qt itself.

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare Qt window"));
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("File"));
    QAction* quit = file->addAction(QStringLiteral("Quit"));
    QObject::connect(quit, &QAction::triggered, &window, &QMainWindow::close);
    QToolBar* tools = window.addToolBar(QStringLiteral("Tools"));
    tools->addAction(quit);
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    window.resize(789, 629);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    return application.exec();
}
