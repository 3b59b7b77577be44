// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The dialog seam: every modal message box, colour, open and save dialog and modal window goes
// through one IDialogs, so that tests can script the answers and see every prompt.
#pragma once

#include "common/Color.h"

#include <QString>
#include <optional>

class QDialog;
class QWidget;

enum class TMsgKind { Information, Warning, Error, Confirmation, Plain };
enum class TMsgButtons { Ok, YesNo };
enum class TModalResult { Ok, Cancel, Yes, No };

class IDialogs {
public:
    virtual ~IDialogs() = default;
    // text may break lines with "\r\n" or "\r".
    virtual TModalResult ShowMessage(QWidget* parent, TMsgKind kind, const QString& text,
                                     TMsgButtons buttons) = 0;
    // Opens on initial; nothing when cancelled.
    virtual std::optional<TColor> PickColor(QWidget* parent, TColor initial) = 0;
    // filter is "description|pattern[|description|pattern...]"; fileName the name offered first.
    virtual std::optional<QString> OpenFileName(QWidget* parent, const QString& filter,
                                                const QString& fileName) = 0;
    virtual std::optional<QString> SaveFileName(QWidget* parent, const QString& filter,
                                                const QString& fileName) = 0;
    // Runs a modal window; returns its QDialog result code.
    virtual int ExecModal(QDialog& dialog) = 0;
};

// The implementation in force: the production one unless a test installed its own.
IDialogs& Dialogs();
// Installs an implementation (nullptr restores the production one); returns the previous one.
IDialogs* SetDialogs(IDialogs* dialogs);

// The window a box or dialog is owned by, so that the desktop keeps it above that window and
// the main window (Wayland's set_parent, X11's WM_TRANSIENT_FOR): the given parent's window while
// it is on screen, else the modal window the user is in, else the main window. A box with no
// owner may open behind the window it blocks.
QWidget* DialogOwner(QWidget* parent);

// A fixed dialog's frame (the new-image dialog, the about box): a title and a close button, no
// minimise, maximise or help button.
constexpr Qt::WindowFlags kFixedDialogFlags =
    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;

// Shorthands for the common boxes.
void ShowError(QWidget* parent, const QString& text);
bool AskYesNo(QWidget* parent, const QString& text);

// The width a window needs for its whole title in the desktop's frame: the title in bold, beside
// room for the frame's icon and three buttons.
int TitleFrameWidth(const QWidget& window);

// A message text with "\r\n" and "\r" turned into line breaks.
QString MessageLines(const QString& text);
// A "description|pattern|..." filter as Qt name filters; a description that already ends with its
// pattern in brackets is kept as it stands.
QStringList NameFilters(const QString& filter);

// The standard dialog components a window owns: each remembers its last answer between uses.
class TColorDialog {
public:
    TColor Color = clBlack; // the colour it opens on: the one chosen last
    bool Execute(QWidget* parent);
};

class TOpenDialog {
public:
    QString Filter;
    QString FileName; // the name chosen last
    bool Execute(QWidget* parent);
};

class TSaveDialog {
public:
    QString Filter;
    QString FileName;
    bool Execute(QWidget* parent);
};
