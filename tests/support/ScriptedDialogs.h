// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// A scripted dialog seam for tests: records every prompt and answers from a script. A prompt the
// script did not expect fails the running test.
#pragma once

#include "desktop/Dialogs.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

struct RecordedPrompt {
    enum class Kind { Message, Color, OpenFile, SaveFile, Modal } kind;
    TMsgKind msgKind = TMsgKind::Plain;
    TMsgButtons buttons = TMsgButtons::Ok;
    QString text;    // message text, filter of a file dialog, object name of a modal window
    QString offered; // file name or colour (as #rrggbb) the dialog opened on
};

class ScriptedDialogs : public IDialogs {
public:
    // Installs itself for its lifetime.
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // Answers, used in order. An answer of the wrong kind, or a prompt with no answer left,
    // fails the test.
    void ExpectMessage(TModalResult answer);
    void ExpectColor(std::optional<TColor> answer);
    void ExpectOpenFile(std::optional<QString> answer);
    void ExpectSaveFile(std::optional<QString> answer);
    // A modal window: run is called with the window shown (it may fill fields); returns the code.
    void ExpectModal(std::function<int(QDialog&)> run);

    const QList<RecordedPrompt>& Prompts() const { return prompts_; }
    int Remaining() const { return answers_.size(); }
    void ClearPrompts() { prompts_.clear(); }

    TModalResult ShowMessage(QWidget* parent, TMsgKind kind, const QString& text,
                             TMsgButtons buttons) override;
    std::optional<TColor> PickColor(QWidget* parent, TColor initial) override;
    std::optional<QString> OpenFileName(QWidget* parent, const QString& filter,
                                        const QString& fileName) override;
    std::optional<QString> SaveFileName(QWidget* parent, const QString& filter,
                                        const QString& fileName) override;
    int ExecModal(QDialog& dialog) override;

private:
    struct Answer {
        RecordedPrompt::Kind kind;
        TModalResult message = TModalResult::Ok;
        std::optional<TColor> color;
        std::optional<QString> file;
        std::function<int(QDialog&)> modal;
    };
    std::optional<Answer> Next(RecordedPrompt::Kind kind, const QString& what);

    IDialogs* previous_;
    QList<RecordedPrompt> prompts_;
    QList<Answer> answers_;
};
