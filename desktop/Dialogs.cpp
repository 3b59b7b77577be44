// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "desktop/Dialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QMainWindow>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTreeView>

namespace {

class QtDialogs final : public IDialogs {
public:
    TModalResult ShowMessage(QWidget* parent, TMsgKind kind, const QString& text,
                             TMsgButtons buttons) override {
        QMessageBox box(DialogOwner(parent));
        switch (kind) {
        case TMsgKind::Information:
            box.setIcon(QMessageBox::Information);
            box.setWindowTitle(QStringLiteral("Информация"));
            break;
        case TMsgKind::Warning:
            box.setIcon(QMessageBox::Warning);
            box.setWindowTitle(QStringLiteral("Предупреждение"));
            break;
        case TMsgKind::Error:
            box.setIcon(QMessageBox::Critical);
            box.setWindowTitle(QStringLiteral("Ошибка"));
            break;
        case TMsgKind::Confirmation:
            box.setIcon(QMessageBox::Question);
            box.setWindowTitle(QStringLiteral("Подтверждение"));
            break;
        case TMsgKind::Plain:
            box.setWindowTitle(QStringLiteral("Limnora"));
            break;
        }
        box.setText(MessageLines(text));
        if (buttons == TMsgButtons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        // Qt makes a box as wide as its text; a short text would leave the title cut.
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
            grid->addItem(new QSpacerItem(TitleFrameWidth(box), 0), grid->rowCount(), 0, 1,
                          grid->columnCount());
        const int answer = box.exec();
        if (buttons == TMsgButtons::YesNo)
            return answer == QMessageBox::Yes ? TModalResult::Yes : TModalResult::No;
        return TModalResult::Ok;
    }

    std::optional<TColor> PickColor(QWidget* parent, TColor initial) override {
        QColorDialog dialog(ToQColor(initial), DialogOwner(parent));
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return FromQColor(dialog.selectedColor());
    }

    std::optional<QString> OpenFileName(QWidget* parent, const QString& filter,
                                        const QString& fileName) override {
        return RunFileDialog(parent, filter, fileName, QFileDialog::AcceptOpen);
    }

    std::optional<QString> SaveFileName(QWidget* parent, const QString& filter,
                                        const QString& fileName) override {
        return RunFileDialog(parent, filter, fileName, QFileDialog::AcceptSave);
    }

    int ExecModal(QDialog& dialog) override { return dialog.exec(); }

private:
    // Qt's dialog opens small, with its size, type and date columns cut ("28,…KiB") and its
    // places too ("Ком…"): a larger window, the places and those columns as wide as what they
    // show, the name taking the rest.
    static void MakeReadable(QFileDialog& dialog) {
        QSize size(800, 520);
        if (const QScreen* screen = dialog.screen())
            size = size.boundedTo(screen->availableSize() * 9 / 10);
        dialog.resize(size.expandedTo(dialog.minimumSizeHint()));
        auto* places = dialog.findChild<QAbstractItemView*>(QStringLiteral("sidebar"));
        auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
        if (places && splitter) {
            const int width = places->sizeHintForColumn(0) + 2 * places->frameWidth() +
                              places->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
            splitter->setSizes({width, size.width() - width});
        }
        if (auto* files = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
            QHeaderView* header = files->header();
            header->setStretchLastSection(false);
            header->setSectionResizeMode(0, QHeaderView::Stretch);
            for (int column = 1; column < header->count(); ++column)
                header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
    }

    static std::optional<QString> RunFileDialog(QWidget* parent, const QString& filter,
                                                const QString& fileName,
                                                QFileDialog::AcceptMode mode) {
        // Qt's own dialog: its filter matching ignores letter case, so "*.BMP" lists a.bmp too.
        QFileDialog dialog(DialogOwner(parent));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        dialog.setAcceptMode(mode);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters(NameFilters(filter));
        if (!fileName.isEmpty()) {
            const QFileInfo info(fileName);
            dialog.setDirectory(info.absolutePath());
            dialog.selectFile(info.fileName());
        }
        MakeReadable(dialog);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }
};

QtDialogs& Production() {
    static QtDialogs dialogs;
    return dialogs;
}

IDialogs* installed = nullptr;

} // namespace

IDialogs& Dialogs() {
    return installed ? *installed : Production();
}

IDialogs* SetDialogs(IDialogs* dialogs) {
    IDialogs* previous = installed;
    installed = dialogs;
    return previous;
}

QWidget* DialogOwner(QWidget* parent) {
    if (parent && parent->window()->isVisible())
        return parent->window();
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows)
        if (qobject_cast<QMainWindow*>(window) && window->isVisible())
            return window;
    return parent;
}

void ShowError(QWidget* parent, const QString& text) {
    Dialogs().ShowMessage(parent, TMsgKind::Error, text, TMsgButtons::Ok);
}

bool AskYesNo(QWidget* parent, const QString& text) {
    return Dialogs().ShowMessage(parent, TMsgKind::Confirmation, text, TMsgButtons::YesNo) ==
           TModalResult::Yes;
}

int TitleFrameWidth(const QWidget& window) {
    // The title in bold, as most frames show it, and seven lines' height for the frame's icon and
    // three buttons with their spacing (a frame of Openbox's default theme needs that much).
    QFont bold = window.font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    return metrics.horizontalAdvance(window.windowTitle()) + 7 * metrics.height();
}

QString MessageLines(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

QStringList NameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString pattern = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString bracketed = QLatin1Char('(') + pattern + QLatin1Char(')');
        if (description.endsWith(bracketed, Qt::CaseInsensitive))
            filters << description;
        else
            filters << description + QLatin1Char(' ') + bracketed;
    }
    return filters;
}

bool TColorDialog::Execute(QWidget* parent) {
    const auto chosen = Dialogs().PickColor(parent, Color);
    if (!chosen)
        return false;
    Color = *chosen;
    return true;
}

bool TOpenDialog::Execute(QWidget* parent) {
    const auto chosen = Dialogs().OpenFileName(parent, Filter, FileName);
    if (!chosen)
        return false;
    FileName = *chosen;
    return true;
}

bool TSaveDialog::Execute(QWidget* parent) {
    const auto chosen = Dialogs().SaveFileName(parent, Filter, FileName);
    if (!chosen)
        return false;
    FileName = *chosen;
    return true;
}
