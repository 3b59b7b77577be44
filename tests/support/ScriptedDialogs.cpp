// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/ScriptedDialogs.h"

#include <QDialog>
#include <QTest>

ScriptedDialogs::ScriptedDialogs() : previous_(SetDialogs(this)) {}

ScriptedDialogs::~ScriptedDialogs() {
    SetDialogs(previous_);
}

void ScriptedDialogs::ExpectMessage(TModalResult answer) {
    answers_.append({RecordedPrompt::Kind::Message, answer, {}, {}, {}});
}

void ScriptedDialogs::ExpectColor(std::optional<TColor> answer) {
    answers_.append({RecordedPrompt::Kind::Color, TModalResult::Ok, answer, {}, {}});
}

void ScriptedDialogs::ExpectOpenFile(std::optional<QString> answer) {
    answers_.append({RecordedPrompt::Kind::OpenFile, TModalResult::Ok, {}, answer, {}});
}

void ScriptedDialogs::ExpectSaveFile(std::optional<QString> answer) {
    answers_.append({RecordedPrompt::Kind::SaveFile, TModalResult::Ok, {}, answer, {}});
}

void ScriptedDialogs::ExpectModal(std::function<int(QDialog&)> run) {
    answers_.append({RecordedPrompt::Kind::Modal, TModalResult::Ok, {}, {}, std::move(run)});
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::Next(RecordedPrompt::Kind kind,
                                                             const QString& what) {
    if (answers_.isEmpty()) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected prompt: ") + what), __FILE__, __LINE__);
        return std::nullopt;
    }
    Answer answer = answers_.takeFirst();
    if (answer.kind != kind) {
        QTest::qFail(qPrintable(QStringLiteral("prompt of another kind than scripted: ") + what),
                     __FILE__, __LINE__);
        return std::nullopt;
    }
    return answer;
}

TModalResult ScriptedDialogs::ShowMessage(QWidget*, TMsgKind kind, const QString& text,
                                          TMsgButtons buttons) {
    prompts_.append({RecordedPrompt::Kind::Message, kind, buttons, text, {}});
    const auto answer = Next(RecordedPrompt::Kind::Message, text);
    if (!answer)
        return buttons == TMsgButtons::YesNo ? TModalResult::No : TModalResult::Ok;
    return answer->message;
}

std::optional<TColor> ScriptedDialogs::PickColor(QWidget*, TColor initial) {
    prompts_.append({RecordedPrompt::Kind::Color,
                     TMsgKind::Plain,
                     TMsgButtons::Ok,
                     {},
                     ToQColor(initial).name()});
    const auto answer = Next(RecordedPrompt::Kind::Color, QStringLiteral("colour dialog"));
    return answer ? answer->color : std::nullopt;
}

std::optional<QString> ScriptedDialogs::OpenFileName(QWidget*, const QString& filter,
                                                     const QString& fileName) {
    prompts_.append(
        {RecordedPrompt::Kind::OpenFile, TMsgKind::Plain, TMsgButtons::Ok, filter, fileName});
    const auto answer = Next(RecordedPrompt::Kind::OpenFile, QStringLiteral("open dialog"));
    return answer ? answer->file : std::nullopt;
}

std::optional<QString> ScriptedDialogs::SaveFileName(QWidget*, const QString& filter,
                                                     const QString& fileName) {
    prompts_.append(
        {RecordedPrompt::Kind::SaveFile, TMsgKind::Plain, TMsgButtons::Ok, filter, fileName});
    const auto answer = Next(RecordedPrompt::Kind::SaveFile, QStringLiteral("save dialog"));
    return answer ? answer->file : std::nullopt;
}

int ScriptedDialogs::ExecModal(QDialog& dialog) {
    prompts_.append(
        {RecordedPrompt::Kind::Modal, TMsgKind::Plain, TMsgButtons::Ok, dialog.objectName(), {}});
    const auto answer = Next(RecordedPrompt::Kind::Modal, dialog.objectName());
    if (!answer || !answer->modal)
        return QDialog::Rejected;
    dialog.show();
    const int result = answer->modal(dialog);
    dialog.hide();
    return result;
}
