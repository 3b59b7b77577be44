// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// Several test classes in one test program: each class registers itself with LIMNORA_TEST_CLASS
// and TestMain.cpp runs them all, in the editor's own application object.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

int RegisterTestClass(const char* name, std::function<std::unique_ptr<QObject>()> make);

#define LIMNORA_TEST_CLASS(Class)                                                                  \
    static const int registered##Class =                                                           \
        RegisterTestClass(#Class, [] { return std::unique_ptr<QObject>(new Class); });
