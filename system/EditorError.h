// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The editor's failures: exceptions that carry a message a user can read.
#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

class EditorError : public std::runtime_error {
public:
    explicit EditorError(const QString& message)
        : std::runtime_error(message.toStdString()), text_(message) {}
    const QString& Text() const { return text_; }

private:
    QString text_;
};

// The readable text of any exception: EditorError keeps its own text, others give what().
QString ExceptionText(const std::exception& error);
