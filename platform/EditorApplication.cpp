#include "platform/EditorApplication.h"

#include "platform/Dialogs.h"
#include "platform/EditorError.h"

EditorApplication::EditorApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("limnora"));
    setApplicationDisplayName(QStringLiteral("Limnora"));
    setApplicationVersion(QStringLiteral(LIMNORA_VERSION));
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
