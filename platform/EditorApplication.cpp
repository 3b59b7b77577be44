#include "platform/EditorApplication.h"

#include "platform/Dialogs.h"
#include "platform/EditorError.h"
#include "platform/Limits.h"

#include <QImageReader>

EditorApplication::EditorApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("limnora"));
    setApplicationDisplayName(QStringLiteral("Limnora"));
    setApplicationVersion(QStringLiteral(LIMNORA_VERSION));
    // Images are decoded up to the editor's own bound for bitmaps, not Qt's smaller default.
    QImageReader::setAllocationLimit(static_cast<int>(kMaxBitmapPixels * 4 / (1024 * 1024)));
}

bool EditorApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ReportException(error);
    } catch (...) {
        ReportException(EditorError(QStringLiteral("Неизвестная ошибка")));
    }
    return false;
}

void ReportException(const std::exception& error) {
    ShowError(QApplication::activeWindow(), ExceptionText(error));
}
