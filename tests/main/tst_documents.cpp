// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// The document commands of the main window as a user meets them: New, Open, Save, Save As and
// Clear, their prompts, the files they leave on disk, the picture, the file name of the document,
// the undo history and the mode afterwards; the open and save dialogs, scripted and real.
#include "canvas/TImage.h"
#include "dialogs/SetSizeImageDialog.h"
#include "files/PictureFiles.h"
#include "main/EditorFixture.h"
#include "selection/TRegionSelector.h"
#include "support/TestImages.h"
#include "support/TestPictures.h"
#include "undo/TGraphUnDo.h"
#include "widgets/ColorSwatch.h"
#include "widgets/PictureLabel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtEndian>
#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString kFilter = QStringLiteral("Graphics files (*.bmp)|*.BMP");
const QString kClearQuestion =
    QStringLiteral("Изображение будет очищено текущим цветом Brush!\r\nВыполнять?");
const QString kNewFailed = QStringLiteral("Не могу создать\r\nновый документ ...");
const QString kOpenFailed = QStringLiteral("Не могу загрузить файл\r\n");
const QString kWriteFailed = QStringLiteral("Не могу записать файл ");

constexpr TColor kGreen = 0x00A000;
constexpr TColor kNavy = 0x800000;
constexpr TColor kOrange = 0x0080FF;

quint32 Le32(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 Le16(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

// Everything in a folder, files and folders, hidden ones too.
QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

std::unique_ptr<TBitmap> SolidBitmap(int width, int height, TColor color) {
    auto bitmap = std::make_unique<TBitmap>(width, height);
    FillColor(*bitmap, color);
    return bitmap;
}

std::unique_ptr<TBitmap> CopyOf(const TBitmap& from) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(from);
    return copy;
}

// How the file differs from the picture, as the editor reads it back; empty when it holds
// exactly the picture.
QString FileDifference(const QString& path, const TBitmap& picture) {
    try {
        TBitmap read;
        read.AssignImage(ReadPicture(path));
        return FirstDifference(read, picture);
    } catch (const std::exception& error) {
        return QStringLiteral("unreadable: ") + QString::fromUtf8(error.what());
    }
}

// A 24-bit BMP made byte by byte, rows stored bottom-up or top-down.
QByteArray HandMadeBmp(int width, int height, bool topDown,
                       const std::function<TColor(int, int)>& pixel) {
    const int stride = (width * 3 + 3) / 4 * 4;
    QByteArray bytes(54 + stride * height, '\0');
    auto put32 = [&bytes](int at, quint32 v) { qToLittleEndian(v, bytes.data() + at); };
    auto put16 = [&bytes](int at, quint16 v) { qToLittleEndian(v, bytes.data() + at); };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, quint32(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, quint32(width));
    put32(22, quint32(topDown ? -height : height));
    put16(26, 1);
    put16(28, 24);
    put32(34, quint32(stride * height));
    for (int y = 0; y < height; ++y) {
        const int row = 54 + stride * (topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const TColor c = pixel(x, y);
            bytes[row + 3 * x] = char((c >> 16) & 0xFF);
            bytes[row + 3 * x + 1] = char((c >> 8) & 0xFF);
            bytes[row + 3 * x + 2] = char(c & 0xFF);
        }
    }
    return bytes;
}

// The colour of a test pattern at a pixel: every pixel differs from its neighbours.
TColor Pattern(int x, int y) {
    return TColor((x * 40 + 7) & 0xFF) | TColor(((y * 50 + 3) & 0xFF) << 8) |
           TColor(((x * 13 + y * 29) & 0xFF) << 16);
}

// Retypes a field as a user does: select everything, delete it, type.
void Retype(QLineEdit* field, const QString& text) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

// What the New dialog showed when it came up.
struct NewDialogSeen {
    QString width, height;
    QString focused;
    bool widthSelected = false;
    TColor swatch = 0;
};

// The user's part in the New dialog: types the sizes (unless asked to keep them), optionally
// picks a colour on the swatch, and closes the dialog with a key in the height field (Key_Cancel:
// a click on Cancel, Key_Close: the close box). Fails the test when the dialog stays open.
std::function<int(QDialog&)> AnswerNew(std::optional<QString> width, std::optional<QString> height,
                                       Qt::Key key = Qt::Key_Return, bool clickSwatch = false,
                                       NewDialogSeen* seen = nullptr) {
    return [=](QDialog& dialog) {
        auto* form = qobject_cast<TNewImageForm*>(&dialog);
        if (!form) {
            QTest::qFail("not the new-image dialog", __FILE__, __LINE__);
            return int(QDialog::Rejected);
        }
        if (seen) {
            seen->width = form->WidthEdit->text();
            seen->height = form->HeightEdit->text();
            seen->focused = form->focusWidget() ? form->focusWidget()->objectName() : QString();
            seen->widthSelected = form->WidthEdit->selectedText() == form->WidthEdit->text();
            seen->swatch =
                FromQRgb(form->STxtColor->grab().toImage().pixel(form->STxtColor->rect().center()));
        }
        if (width)
            Retype(form->WidthEdit, *width);
        if (height)
            Retype(form->HeightEdit, *height);
        if (clickSwatch)
            QTest::mouseClick(form->STxtColor, Qt::LeftButton);
        form->setResult(-1);
        QWidget* target = form->HeightEdit;
        target->setFocus();
        if (key == Qt::Key_Close)
            form->close();
        else if (key == Qt::Key_Cancel)
            QTest::mouseClick(form->CancelBtn, Qt::LeftButton);
        else
            QTest::keyClick(target, key);
        if (form->isVisible()) {
            QTest::qFail("the new-image dialog stayed open", __FILE__, __LINE__);
            return int(QDialog::Rejected);
        }
        return form->result();
    };
}

// Sets the production dialogs in force while alive (the scripted ones afterwards).
class RealDialogs {
public:
    RealDialogs() : scripted_(SetDialogs(nullptr)) {}
    ~RealDialogs() { SetDialogs(scripted_); }
    RealDialogs(const RealDialogs&) = delete;
    RealDialogs& operator=(const RealDialogs&) = delete;

private:
    IDialogs* scripted_;
};

// Drives real modal windows: each time one is shown it goes to the next handler, from the event
// loop of its own exec. One that no handler is left for is recorded and closed, and none stays
// open longer than ten seconds.
class ModalDriver : public QObject {
public:
    using Handler = std::function<void(QWidget*)>;
    explicit ModalDriver(QList<Handler> handlers) : handlers_(std::move(handlers)) {
        qApp->installEventFilter(this);
        connect(&watchdog_, &QTimer::timeout, this, [this] { CloseForgotten(); });
        watchdog_.start(100);
    }
    ~ModalDriver() override { qApp->removeEventFilter(this); }
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    QStringList unexpected;
    int Remaining() const { return handlers_.size(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        if (!widget->isWindow() || !widget->isModal())
            return false;
        const QPointer<QWidget> window(widget);
        shown_.append({window, QElapsedTimer()});
        shown_.last().since.start();
        QMetaObject::invokeMethod(
            this,
            [this, window] {
                if (window && window->isVisible())
                    Handle(window);
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    struct Showing {
        QPointer<QWidget> window;
        QElapsedTimer since;
    };

    void Handle(QWidget* window) {
        if (handlers_.isEmpty()) {
            const auto* box = qobject_cast<QMessageBox*>(window);
            unexpected << QString::fromLatin1(window->metaObject()->className()) +
                              (box ? QStringLiteral(": ") + box->text() : QString());
            Close(window);
            return;
        }
        handlers_.takeFirst()(window);
    }
    // Closes the window of the latest showing that has been open too long.
    void CloseForgotten() {
        if (shown_.isEmpty())
            return;
        const Showing& last = shown_.last();
        if (last.window && last.window->isVisible() && last.since.hasExpired(10000)) {
            unexpected << QStringLiteral("left open: ") + last.window->objectName();
            Close(last.window);
        }
    }
    static void Close(QWidget* window) {
        if (auto* dialog = qobject_cast<QDialog*>(window))
            dialog->reject();
        else
            window->close();
    }

    QList<Handler> handlers_;
    QList<Showing> shown_;
    QTimer watchdog_;
};

// What a real file dialog showed.
struct FileDialogSeen {
    QStringList listed;
    QString filter;
    QString folder;
    QString name;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
};

// The user's part in a real file dialog: waits until the folder is listed, notes what is shown,
// types a name and accepts.
ModalDriver::Handler AnswerFileDialog(const QString& typed, FileDialogSeen* seen,
                                      int expectedEntries) {
    return [=](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        if (!dialog) {
            QTest::qFail("not a file dialog", __FILE__, __LINE__);
            window->close();
            return;
        }
        auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!list || !name) {
            QTest::qFail("file dialog without its list or name field", __FILE__, __LINE__);
            dialog->reject();
            return;
        }
        auto rows = [list] { return list->model()->rowCount(list->rootIndex()); };
        static_cast<void>(QTest::qWaitFor([&] { return rows() >= expectedEntries; }, 5000));
        QTest::qWait(200); // a file the filter should hide would be listed by now
        for (int r = 0; r < rows(); ++r)
            seen->listed << list->model()->index(r, 0, list->rootIndex()).data().toString();
        seen->filter = dialog->selectedNameFilter();
        seen->folder = dialog->directory().absolutePath();
        seen->name = name->text();
        seen->mode = dialog->acceptMode();
        name->setText(typed);
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog's own accept is protected
    };
}

// While alive the process runs as an ordinary user, so that file permissions hold when the
// tests run as root; for an ordinary user it changes nothing.
class OrdinaryUser {
public:
    OrdinaryUser() {
        if (::geteuid() == 0)
            dropped_ = ::setresuid(kNobody, kNobody, 0) == 0;
    }
    ~OrdinaryUser() {
        if (dropped_ && ::setresuid(0, 0, 0) != 0)
            qFatal("cannot become root again");
    }
    OrdinaryUser(const OrdinaryUser&) = delete;
    OrdinaryUser& operator=(const OrdinaryUser&) = delete;
    bool Active() const { return ::geteuid() != 0; }

private:
    static constexpr uid_t kNobody = 65534;
    bool dropped_ = false;
};

bool SetMode(const QString& path, QFile::Permissions permissions) {
    return QFile::setPermissions(path, permissions);
}

const QFile::Permissions kReadOnlyFolder = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                           QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
const QFile::Permissions kOpenFolder =
    kReadOnlyFolder | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
const QFile::Permissions kReadOnlyFile = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;

enum class Layout { BmpFile, PaletteFile, FourBitFile, MonoFile, TopDownFile, BottomUpFile };
enum class Broken {
    Missing,
    Empty,
    Text,
    Truncated,
    HeaderOnly,
    HugeHeader,
    Folder,
    Fifo,
    Socket,
    Device
};
enum class Unwritable { ReadOnlyFile, ReadOnlyFolder, FolderName, MissingFolder };
enum class Via { Save, SaveAs };

// Rows of the New tables: the texts typed and, for sizes that can be made, the size.
void ValidSize(const char* row, const char* width, const char* height, int w, int h) {
    QTest::newRow(row) << QString::fromUtf8(width) << QString::fromUtf8(height) << w << h;
}

void BadSize(const char* row, const char* width, const char* height) {
    QTest::newRow(row) << QString::fromUtf8(width) << QString::fromUtf8(height);
}

} // namespace

class TestDocuments : public EditorFixture {
    Q_OBJECT

    TBitmap& Picture() { return form_->Image1->Picture(); }
    const QList<RecordedPrompt>& Prompts() const { return dialogs_->Prompts(); }

    // One undoable step: a rectangle drawn in paint mode.
    void DrawRectangle() {
        Click(form_->SpButModePaint);
        Drag(form_->Image1, {10, 10}, {60, 40});
    }

    // A brush colour chosen on the main window's swatch, as a user does.
    void PickBrushColor(TColor color) {
        Click(form_->SpButModePaint);
        dialogs_->ExpectColor(color);
        QTest::mouseClick(form_->STxtBrushColor, Qt::LeftButton);
        dialogs_->ClearPrompts();
    }

    // Opens a file through the command, answering its dialog.
    void OpenFile(const QString& path) {
        dialogs_->ExpectOpenFile(path);
        form_->Open1->trigger();
        dialogs_->ClearPrompts();
    }

    // A menu command run from the event loop, as a click on the menu runs it: whatever the
    // command lets escape would reach the application's general error report.
    static void RunFromMenu(QAction* item) {
        QMetaObject::invokeMethod(item, &QAction::trigger, Qt::QueuedConnection);
        QCoreApplication::sendPostedEvents(item, QEvent::MetaCall);
    }

    void CheckSelectionModeEntered() {
        QCOMPARE(form_->AppMode, amSelect);
        QVERIFY(form_->SpButModeSelect->isChecked());
        QVERIFY(form_->PanelSelect->isVisible());
        QVERIFY(!form_->PanelPen->isVisible());
        QVERIFY(!form_->PanelBrush->isVisible());
        QVERIFY(!form_->PanelTxt->isVisible());
        QVERIFY(!form_->LabelTxt->isVisible());
        QCOMPARE(form_->Selector->SelRect(), TRect{});
        QCOMPARE(form_->Selector->OutlineMode(), omPersistent);
    }

    // The canvas carries the editor's drawing tools.
    void CheckCanvasTools() {
        const TCanvas& canvas = form_->Image1->Canvas();
        QCOMPARE(canvas.Pen.Style, form_->PenStyle);
        QCOMPARE(canvas.Pen.Mode, form_->PenMode);
        QCOMPARE(canvas.Pen.Color, form_->PenColor);
        QCOMPARE(canvas.Brush.Style, form_->BrushStyle);
        QCOMPARE(canvas.Brush.Color, form_->BrushColor);
    }

    void CheckHistoryEmpty() {
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (0)"));
        QCOMPARE(form_->UnDoManager->Count(), 0);
        // A step back has nothing to restore.
        const auto before = CopyOf(Picture());
        form_->UnDo->trigger();
        QCOMPARE(FirstDifference(Picture(), *before), QString());
    }

    void CheckMessage(int index, TMsgKind kind, TMsgButtons buttons, const QString& text) {
        QVERIFY(index < Prompts().size());
        const RecordedPrompt& p = Prompts()[index];
        QCOMPARE(p.kind, RecordedPrompt::Kind::Message);
        QCOMPARE(p.msgKind, kind);
        QCOMPARE(p.buttons, buttons);
        QCOMPARE(p.text, text);
    }

    void CheckNewDialogShown(int index) {
        QVERIFY(index < Prompts().size());
        QCOMPARE(Prompts()[index].kind, RecordedPrompt::Kind::Modal);
        QCOMPARE(Prompts()[index].text, QStringLiteral("NewImageForm"));
    }

    void CheckFileDialog(int index, RecordedPrompt::Kind kind, const QString& offered) {
        QVERIFY(index < Prompts().size());
        QCOMPARE(Prompts()[index].kind, kind);
        QCOMPARE(Prompts()[index].text, kFilter);
        QCOMPARE(Prompts()[index].offered, offered);
    }

private slots:
    // The real file dialogs keep their state in the user's settings: not the user's own here.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanupTestCase() { QStandardPaths::setTestModeEnabled(false); }

    // ---- New ----

    void newCancelledStillEmptiesTheHistoryAndEntersSelectionMode_data() {
        QTest::addColumn<int>("key");
        QTest::newRow("Cancel") << int(Qt::Key_Cancel);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("close box") << int(Qt::Key_Close);
    }
    void newCancelledStillEmptiesTheHistoryAndEntersSelectionMode() {
        QFETCH(int, key);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("photo.bmp"));
        QVERIFY(PutFile(file, HandMadeBmp(40, 30, false, Pattern)));
        OpenFile(file);
        DrawRectangle();
        Click(form_->SpButModeText);
        Drag(form_->Image1, {100, 5}, {150, 25}); // a text preview waits
        QVERIFY(form_->LabelTxt->isVisible());
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (1)"));
        const auto before = CopyOf(Picture());

        NewDialogSeen seen;
        dialogs_->ExpectModal(
            AnswerNew(QStringLiteral("10"), QStringLiteral("10"), Qt::Key(key), false, &seen));
        form_->New1->trigger();

        QCOMPARE(Prompts().size(), 1);
        CheckNewDialogShown(0);
        QCOMPARE(seen.width, QStringLiteral("40"));
        QCOMPARE(seen.height, QStringLiteral("30"));
        CheckSelectionModeEntered();
        CheckHistoryEmpty();
        QCOMPARE(FirstDifference(Picture(), *before), QString());
        QCOMPARE(form_->DocFileName, file);
    }

    void newMakesABlankPictureOfTheSwatchColour_data() {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<int>("w");
        QTest::addColumn<int>("h");
        ValidSize("100 x 50", "100", "50", 100, 50);
        ValidSize("1 x 1", "1", "1", 1, 1);
        ValidSize("same size", "761", "505", 761, 505);
        ValidSize("larger than the window", "1200", "900", 1200, 900);
        ValidSize("widest", "65535", "2", 65535, 2);
        ValidSize("tallest", "3", "65535", 3, 65535);
        ValidSize("with a plus sign", "+12", "7", 12, 7);
    }
    void newMakesABlankPictureOfTheSwatchColour() {
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(int, w);
        QFETCH(int, h);
        DrawRectangle();
        form_->DocFileName = QStringLiteral("/somewhere/old.bmp");
        NewDialogSeen seen;
        dialogs_->ExpectModal(AnswerNew(width, height, Qt::Key_Return, true, &seen));
        dialogs_->ExpectColor(kGreen);
        form_->New1->trigger();

        QCOMPARE(Prompts().size(), 2);
        CheckNewDialogShown(0);
        QCOMPARE(Prompts()[1].kind, RecordedPrompt::Kind::Color);
        // The dialog came up with the picture's size, the width field focused and selected.
        QCOMPARE(seen.width, QStringLiteral("761"));
        QCOMPARE(seen.height, QStringLiteral("505"));
        QCOMPARE(seen.focused, QStringLiteral("WidthEdit"));
        QVERIFY(seen.widthSelected);

        QCOMPARE(Picture().Width(), w);
        QCOMPARE(Picture().Height(), h);
        QCOMPARE(form_->Image1->size(), QSize(w, h));
        QCOMPARE(CountColor(Picture(), kGreen, Picture().BoundsRect()), w * h);
        QVERIFY(form_->DocFileName.isEmpty());
        CheckSelectionModeEntered();
        CheckHistoryEmpty();
        // The canvas has the editor's tools again, not the fill's; a rectangle drawn now has a
        // blue outline and a clear inside.
        CheckCanvasTools();
        if (w >= 5 && h >= 5) {
            Click(form_->SpButModePaint);
            Drag(form_->Image1, {0, 0}, {5, 5});
            QCOMPARE(Picture().Pixel(0, 0), clBlue);
            QCOMPARE(Picture().Pixel(2, 2), kGreen);
        }
    }

    void newRefusesSizesThatCannotBeMade_data() {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        BadSize("letters", "abc", "100");
        BadSize("letters in the height", "100", "abc");
        BadSize("empty", "", "100");
        BadSize("fraction", "12.5", "100");
        BadSize("zero width", "0", "100");
        BadSize("zero height", "100", "0");
        BadSize("negative", "-5", "100");
        BadSize("both negative", "-100", "-100");
        BadSize("99999999", "99999999", "100");
        BadSize("beyond a whole number", "2147483648", "10");
        BadSize("side over the bound", "65536", "1");
        BadSize("60000 x 60000", "60000", "60000");
        BadSize("just over the pixel bound", "16385", "16384");
        BadSize("99999999 x 99999999", "99999999", "99999999");
    }
    void newRefusesSizesThatCannotBeMade() {
        QFETCH(QString, width);
        QFETCH(QString, height);
        DrawRectangle();
        form_->DocFileName = QStringLiteral("/somewhere/old.bmp");
        const auto before = CopyOf(Picture());
        dialogs_->ExpectModal(AnswerNew(width, height));
        dialogs_->ExpectMessage(TModalResult::Ok);
        form_->New1->trigger();

        QCOMPARE(Prompts().size(), 2);
        CheckNewDialogShown(0);
        CheckMessage(1, TMsgKind::Error, TMsgButtons::Ok, kNewFailed);
        QCOMPARE(FirstDifference(Picture(), *before), QString());
        QCOMPARE(form_->Image1->size(), QSize(761, 505));
        QCOMPARE(form_->DocFileName, QStringLiteral("/somewhere/old.bmp"));
        CheckSelectionModeEntered();
        CheckHistoryEmpty();
        // The editor's tools are on the canvas: a rectangle has a blue outline, a clear inside.
        CheckCanvasTools();
        Click(form_->SpButModePaint);
        Drag(form_->Image1, {200, 200}, {210, 210});
        QCOMPARE(Picture().Pixel(200, 200), clBlue);
        QCOMPARE(Picture().Pixel(205, 205), clWhite);
    }

    void newFillsWithItsOwnColourAndKeepsIt() {
        // A brush colour and a pen colour picked in the main window: its colour dialog is not
        // the New dialog's.
        PickBrushColor(kOrange);
        dialogs_->ExpectColor(kNavy);
        QTest::mouseClick(form_->STxtPenColor, Qt::LeftButton);
        dialogs_->ClearPrompts();

        dialogs_->ExpectModal(
            AnswerNew(QStringLiteral("100"), QStringLiteral("50"), Qt::Key_Return, true));
        dialogs_->ExpectColor(kGreen);
        form_->New1->trigger();
        QCOMPARE(Prompts().size(), 2);
        QCOMPARE(Prompts()[1].kind, RecordedPrompt::Kind::Color);
        QCOMPARE(Prompts()[1].offered, QStringLiteral("#000000"));
        QCOMPARE(CountColor(Picture(), kGreen, Picture().BoundsRect()), 100 * 50);

        // The next New shows the size just made and the colour just picked, and fills with it.
        dialogs_->ClearPrompts();
        NewDialogSeen seen;
        dialogs_->ExpectModal(
            AnswerNew(std::nullopt, QStringLiteral("20"), Qt::Key_Return, false, &seen));
        form_->New1->trigger();
        QCOMPARE(seen.width, QStringLiteral("100"));
        QCOMPARE(seen.height, QStringLiteral("50"));
        QCOMPARE(seen.swatch, kGreen);
        QCOMPARE(CountColor(Picture(), kGreen, Picture().BoundsRect()), 100 * 20);

        // A cancelled colour dialog keeps the colour; the dialog offered its own last colour.
        dialogs_->ClearPrompts();
        dialogs_->ExpectModal(
            AnswerNew(QStringLiteral("30"), QStringLiteral("30"), Qt::Key_Return, true, &seen));
        dialogs_->ExpectColor(std::nullopt);
        form_->New1->trigger();
        QCOMPARE(Prompts()[1].offered, ToQColor(kGreen).name());
        QCOMPARE(CountColor(Picture(), kGreen, Picture().BoundsRect()), 30 * 30);
        QCOMPARE(form_->BrushColor, kOrange);
        QCOMPARE(form_->STxtBrushColor->Color(), kOrange);
    }

    void newWithoutAPickedColourFillsWithTheDialogsBackground() {
        const TColor face = FromQColor(form_->NewImageForm->palette().color(QPalette::Button));
        QVERIFY(face != clWhite && face != form_->BrushColor);
        NewDialogSeen seen;
        dialogs_->ExpectModal(
            AnswerNew(QStringLiteral("64"), QStringLiteral("48"), Qt::Key_Return, false, &seen));
        form_->New1->trigger();
        QCOMPARE(seen.swatch, face);
        QCOMPARE(CountColor(Picture(), face, Picture().BoundsRect()), 64 * 48);
    }

    void newMakesTheNextSaveAskForAName() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("photo.bmp"));
        QVERIFY(PutFile(file, HandMadeBmp(8, 8, false, Pattern)));
        const QByteArray original = FileBytes(file);
        OpenFile(file);
        dialogs_->ExpectModal(AnswerNew(QStringLiteral("20"), QStringLiteral("10")));
        form_->New1->trigger();
        dialogs_->ClearPrompts();
        dialogs_->ExpectSaveFile(std::nullopt);
        form_->Save1->trigger();
        QCOMPARE(Prompts().size(), 1);
        CheckFileDialog(0, RecordedPrompt::Kind::SaveFile, QString());
        QCOMPARE(FileBytes(file), original);
        QCOMPARE(Entries(dir.path()), QStringList{QStringLiteral("photo.bmp")});
    }

    void newThroughTheRealDialogTakesTyping() {
        // The user types over the width, tabs to the height, types and presses Enter; the
        // second time the width field has the focus again, though the height had it last.
        QStringList focused;
        auto typeSizes = [&focused](const QString& width, const QString& height) {
            return [&focused, width, height](QWidget* window) {
                // Not qWaitForWindowActive: a window counts as active while its owner is.
                QTRY_COMPARE(QApplication::activeWindow(), window);
                QWidget* field = QApplication::focusWidget();
                focused << (field ? field->objectName() : QString());
                if (!field) {
                    window->close();
                    return;
                }
                QTest::keyClicks(field, width);
                QTest::keyClick(field, Qt::Key_Tab);
                field = QApplication::focusWidget();
                QTest::keyClicks(field, height);
                QTest::keyClick(field, Qt::Key_Return);
            };
        };
        ModalDriver driver({typeSizes(QStringLiteral("320"), QStringLiteral("200")),
                            typeSizes(QStringLiteral("64"), QStringLiteral("32"))});
        {
            RealDialogs real;
            form_->New1->trigger();
            QCOMPARE(Picture().Width(), 320);
            QCOMPARE(Picture().Height(), 200);
            // The main window is active again, as a window manager makes it; Qt 5's offscreen
            // platform would leave the closed dialog's window active.
            form_->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(form_));
            form_->New1->trigger();
        }
        QCOMPARE(focused, (QStringList{QStringLiteral("WidthEdit"), QStringLiteral("WidthEdit")}));
        QCOMPARE(Picture().Width(), 64);
        QCOMPARE(Picture().Height(), 32);
        QCOMPARE(driver.unexpected, QStringList());
        QCOMPARE(driver.Remaining(), 0);
    }

    // ---- Open ----

    void openCancelledChangesNothing() {
        DrawRectangle();
        form_->DocFileName = QStringLiteral("/somewhere/old.bmp");
        const auto before = CopyOf(Picture());
        dialogs_->ExpectOpenFile(std::nullopt);
        form_->Open1->trigger();
        QCOMPARE(Prompts().size(), 1);
        CheckFileDialog(0, RecordedPrompt::Kind::OpenFile, QString());
        QCOMPARE(form_->AppMode, amPaint);
        QVERIFY(form_->SpButModePaint->isChecked());
        QVERIFY(form_->PanelPen->isVisible());
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (1)"));
        QCOMPARE(FirstDifference(Picture(), *before), QString());
        QCOMPARE(form_->DocFileName, QStringLiteral("/somewhere/old.bmp"));
    }

    void openLoadsTheFile_data() {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("bits");
        QTest::newRow("24-bit, written by the editor") << int(Layout::BmpFile) << 24;
        QTest::newRow("8-bit palette") << int(Layout::PaletteFile) << 8;
        QTest::newRow("4-bit palette") << int(Layout::FourBitFile) << 4;
        QTest::newRow("1-bit") << int(Layout::MonoFile) << 1;
        QTest::newRow("24-bit, rows top-down") << int(Layout::TopDownFile) << 24;
        QTest::newRow("24-bit, rows bottom-up") << int(Layout::BottomUpFile) << 24;
    }
    void openLoadsTheFile() {
        QFETCH(int, layout);
        QFETCH(int, bits);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("picture.bmp"));
        const int w = 13, h = 9; // rows of every kind need padding
        TBitmap expected(w, h);
        switch (Layout(layout)) {
        case Layout::BmpFile:
            FillNoise(expected, 11);
            WritePicture(expected, file);
            break;
        case Layout::PaletteFile:
        case Layout::FourBitFile:
        case Layout::MonoFile: {
            // Qt writes 2 colours with 1 bit a pixel, up to 16 with 4 bits, more with 8 bits.
            const int count = Layout(layout) == Layout::MonoFile      ? 2
                              : Layout(layout) == Layout::FourBitFile ? 5
                                                                      : 30;
            QImage image(w, h, count == 2 ? QImage::Format_Mono : QImage::Format_Indexed8);
            QVector<QRgb> colours;
            for (int i = 0; i < count; ++i)
                colours << ToQRgb(Pattern(i, 2 * i));
            image.setColorTable(colours);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    image.setPixel(x, y, uint((x + 3 * y) % count));
            QVERIFY(image.save(file, "BMP"));
            expected.AssignImage(image);
            break;
        }
        case Layout::TopDownFile:
        case Layout::BottomUpFile: {
            const bool topDown = Layout(layout) == Layout::TopDownFile;
            QVERIFY(PutFile(file, HandMadeBmp(w, h, topDown, Pattern)));
            QImage image(w, h, QImage::Format_RGB32);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    image.setPixel(x, y, ToQRgb(Pattern(x, y)));
            expected.AssignImage(image);
            break;
        }
        }
        QCOMPARE(int(Le16(FileBytes(file), 28)), bits);

        DrawRectangle();
        Click(form_->SpButModeText);
        Drag(form_->Image1, {100, 5}, {150, 25});
        OpenFile(file);

        QCOMPARE(FirstDifference(Picture(), expected), QString());
        QCOMPARE(Picture().Image().format(), QImage::Format_RGB32);
        QCOMPARE(form_->Image1->size(), QSize(w, h));
        QCOMPARE(form_->DocFileName, file);
        CheckSelectionModeEntered();
        CheckHistoryEmpty();
    }

    void openRefusesWhatItCannotRead_data() {
        QTest::addColumn<int>("broken");
        QTest::newRow("no such file") << int(Broken::Missing);
        QTest::newRow("empty file") << int(Broken::Empty);
        QTest::newRow("text") << int(Broken::Text);
        QTest::newRow("truncated BMP") << int(Broken::Truncated);
        QTest::newRow("header without pixels") << int(Broken::HeaderOnly);
        QTest::newRow("header promising 60000 x 60000") << int(Broken::HugeHeader);
        QTest::newRow("a folder") << int(Broken::Folder);
        QTest::newRow("a FIFO without a writer") << int(Broken::Fifo);
        QTest::newRow("a socket") << int(Broken::Socket);
        QTest::newRow("a device") << int(Broken::Device);
    }
    void openRefusesWhatItCannotRead() {
        QFETCH(int, broken);
        QTemporaryDir dir;
        const QString good = dir.filePath(QStringLiteral("good.bmp"));
        QVERIFY(PutFile(good, HandMadeBmp(30, 20, false, Pattern)));
        QString bad = dir.filePath(QStringLiteral("bad.bmp"));
        const QByteArray full = HandMadeBmp(20, 20, false, Pattern);
        switch (Broken(broken)) {
        case Broken::Missing:
            break;
        case Broken::Empty:
            QVERIFY(PutFile(bad, {}));
            break;
        case Broken::Text:
            QVERIFY(PutFile(bad, "Hello, this is no picture\n"));
            break;
        case Broken::Truncated:
            QVERIFY(PutFile(bad, full.left(54 + 60 * 10 + 30)));
            break;
        case Broken::HeaderOnly:
            QVERIFY(PutFile(bad, full.left(54)));
            break;
        case Broken::HugeHeader: {
            QByteArray huge = full;
            huge.replace(18, 8, QByteArray::fromHex("60ea000060ea0000")); // 60000 x 60000
            QVERIFY(PutFile(bad, huge));
            break;
        }
        case Broken::Folder:
            bad = dir.filePath(QStringLiteral("folder.bmp"));
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.bmp")));
            break;
        case Broken::Fifo:
            QVERIFY(::mkfifo(QFile::encodeName(bad).constData(), 0600) == 0);
            break;
        case Broken::Socket: {
            const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, QFile::encodeName(bad).constData(),
                         sizeof address.sun_path - 1);
            const bool bound =
                ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
            ::close(socket);
            QVERIFY(bound);
            break;
        }
        case Broken::Device:
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), bad));
            break;
        }
        const bool regular = QFileInfo(bad).isFile() || !QFileInfo::exists(bad);
        const QByteArray badBytes = regular ? FileBytes(bad) : QByteArray();

        OpenFile(good);
        DrawRectangle();
        const auto before = CopyOf(Picture());
        dialogs_->ExpectOpenFile(bad);
        dialogs_->ExpectMessage(TModalResult::Ok);
        QElapsedTimer clock;
        clock.start();
        form_->Open1->trigger();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));

        QCOMPARE(Prompts().size(), 2);
        CheckFileDialog(0, RecordedPrompt::Kind::OpenFile, good);
        CheckMessage(1, TMsgKind::Error, TMsgButtons::Ok, kOpenFailed + bad);
        QCOMPARE(FirstDifference(Picture(), *before), QString());
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (1)"));
        QCOMPARE(form_->UnDoManager->Count(), 1);
        CheckSelectionModeEntered();
        // The document keeps the name it had: Save writes there and leaves the failed file be.
        QCOMPARE(form_->DocFileName, good);
        dialogs_->ClearPrompts();
        form_->Save1->trigger();
        QVERIFY(Prompts().isEmpty());
        QCOMPARE(FileDifference(good, Picture()), QString());
        if (regular)
            QCOMPARE(FileBytes(bad), badBytes);
        QCOMPARE(QFileInfo(bad).isDir(), Broken(broken) == Broken::Folder);
        // The open dialog offers the name that failed.
        dialogs_->ExpectOpenFile(std::nullopt);
        form_->Open1->trigger();
        CheckFileDialog(0, RecordedPrompt::Kind::OpenFile, bad);
    }

    void failedOpenLeavesAnUnnamedPictureUnnamed() {
        QTemporaryDir dir;
        const QString bad = dir.filePath(QStringLiteral("bad.bmp"));
        QVERIFY(PutFile(bad, HandMadeBmp(20, 20, false, Pattern).left(100)));
        const QByteArray badBytes = FileBytes(bad);
        dialogs_->ExpectOpenFile(bad);
        dialogs_->ExpectMessage(TModalResult::Ok);
        form_->Open1->trigger();
        CheckMessage(1, TMsgKind::Error, TMsgButtons::Ok, kOpenFailed + bad);
        QVERIFY(form_->DocFileName.isEmpty());
        dialogs_->ClearPrompts();
        dialogs_->ExpectSaveFile(std::nullopt);
        form_->Save1->trigger();
        QCOMPARE(Prompts().size(), 1);
        CheckFileDialog(0, RecordedPrompt::Kind::SaveFile, QString());
        QCOMPARE(FileBytes(bad), badBytes);
        QCOMPARE(Entries(dir.path()), QStringList{QStringLiteral("bad.bmp")});
    }

    // ---- the file dialogs ----

    void fileDialogsRememberTheirOwnLastNames() {
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("first.bmp"));
        const QString second = dir.filePath(QStringLiteral("second.bmp"));
        const QString saved = dir.filePath(QStringLiteral("saved.bmp"));
        QVERIFY(PutFile(first, HandMadeBmp(4, 4, false, Pattern)));
        QVERIFY(PutFile(second, HandMadeBmp(5, 5, false, Pattern)));
        dialogs_->ExpectOpenFile(first);
        dialogs_->ExpectOpenFile(std::nullopt);
        dialogs_->ExpectOpenFile(second);
        dialogs_->ExpectSaveFile(saved);
        dialogs_->ExpectSaveFile(std::nullopt);
        dialogs_->ExpectOpenFile(std::nullopt);
        form_->Open1->trigger();
        form_->Open1->trigger();
        form_->Open1->trigger();
        form_->SaveAs1->trigger();
        form_->SaveAs1->trigger();
        form_->Open1->trigger();
        QCOMPARE(Prompts().size(), 6);
        CheckFileDialog(0, RecordedPrompt::Kind::OpenFile, QString());
        CheckFileDialog(1, RecordedPrompt::Kind::OpenFile, first);
        CheckFileDialog(2, RecordedPrompt::Kind::OpenFile, first);
        CheckFileDialog(3, RecordedPrompt::Kind::SaveFile, QString());
        CheckFileDialog(4, RecordedPrompt::Kind::SaveFile, saved);
        CheckFileDialog(5, RecordedPrompt::Kind::OpenFile, second);
        QCOMPARE(form_->DocFileName, saved);
    }

    void nameFiltersForTheFileDialogs_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("the editor's filter") << kFilter << QStringList{"Graphics files (*.bmp)"};
        QTest::newRow("description without its pattern")
            << "Pictures|*.bmp" << QStringList{"Pictures (*.bmp)"};
        QTest::newRow("several patterns")
            << "Pictures|*.bmp;*.dib" << QStringList{"Pictures (*.bmp *.dib)"};
        QTest::newRow("two entries") << "Bitmaps (*.bmp)|*.bmp|All files|*"
                                     << QStringList{"Bitmaps (*.bmp)", "All files (*)"};
        QTest::newRow("nothing") << "" << QStringList{};
    }
    void nameFiltersForTheFileDialogs() {
        QFETCH(QString, filter);
        QFETCH(QStringList, names);
        QCOMPARE(NameFilters(filter), names);
    }

    void realOpenDialogListsBmpFilesInAnyLetterCase() {
        QTemporaryDir dir;
        const QStringList bmps{QStringLiteral("a.bmp"), QStringLiteral("B.BMP"),
                               QStringLiteral("c.Bmp")};
        const TColor colours[] = {kGreen, kNavy, kOrange};
        for (int i = 0; i < 3; ++i)
            WritePicture(*SolidBitmap(3 + i, 2, colours[i]), dir.filePath(bmps[i]));
        QImage png(4, 4, QImage::Format_RGB32);
        png.fill(Qt::red);
        QVERIFY(png.save(dir.filePath(QStringLiteral("d.png")), "PNG"));
        QVERIFY(PutFile(dir.filePath(QStringLiteral("e.txt")), "text"));
        form_->OpenDialog1.FileName = dir.filePath(QStringLiteral("a.bmp")); // chosen before

        FileDialogSeen seen;
        ModalDriver driver({AnswerFileDialog(QStringLiteral("c.Bmp"), &seen, 3)});
        {
            RealDialogs real;
            form_->Open1->trigger();
        }
        QCOMPARE(driver.unexpected, QStringList());
        QCOMPARE(driver.Remaining(), 0);
        seen.listed.sort(Qt::CaseInsensitive);
        QCOMPARE(seen.listed, bmps);
        QCOMPARE(seen.filter, QStringLiteral("Graphics files (*.bmp)"));
        QCOMPARE(seen.folder, QDir(dir.path()).absolutePath());
        QCOMPARE(seen.name, QStringLiteral("a.bmp"));
        QCOMPARE(seen.mode, QFileDialog::AcceptOpen);
        QCOMPARE(form_->DocFileName, dir.filePath(QStringLiteral("c.Bmp")));
        QCOMPARE(FirstDifference(Picture(), *SolidBitmap(5, 2, kOrange)), QString());
    }

    void realSaveDialogWritesTheNameAsTyped_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("an existing file, replaced without a question") << "old.bmp";
        QTest::newRow("no extension added") << "picture";
        QTest::newRow("upper-case extension") << "NEW.BMP";
    }
    void realSaveDialogWritesTheNameAsTyped() {
        QFETCH(QString, typed);
        QTemporaryDir dir;
        const QString old = dir.filePath(QStringLiteral("old.bmp"));
        WritePicture(*SolidBitmap(6, 6, kNavy), old);
        form_->SaveDialog1.FileName = old; // chosen before
        FillNoise(Picture(), 3);

        FileDialogSeen seen;
        ModalDriver driver({AnswerFileDialog(typed, &seen, 1)});
        {
            RealDialogs real;
            form_->Save1->trigger();
        }
        QCOMPARE(driver.unexpected, QStringList());
        QCOMPARE(driver.Remaining(), 0);
        QCOMPARE(seen.mode, QFileDialog::AcceptSave);
        QCOMPARE(seen.filter, QStringLiteral("Graphics files (*.bmp)"));
        QCOMPARE(seen.listed, QStringList{QStringLiteral("old.bmp")});
        const QString written = dir.filePath(typed);
        QCOMPARE(form_->DocFileName, written);
        QCOMPARE(FileDifference(written, Picture()), QString());
        QStringList entries{QStringLiteral("old.bmp"), typed};
        entries.removeDuplicates();
        entries.sort();
        QCOMPARE(Entries(dir.path()), entries);
    }

    // ---- Save and Save As ----

    void saveWritesA24BitBmp() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("pic.bmp"));
        dialogs_->ExpectModal(AnswerNew(QStringLiteral("7"), QStringLiteral("5")));
        form_->New1->trigger();
        FillNoise(Picture(), 21);
        dialogs_->ClearPrompts();
        dialogs_->ExpectSaveFile(file);
        form_->SaveAs1->trigger();
        QCOMPARE(Prompts().size(), 1);
        CheckFileDialog(0, RecordedPrompt::Kind::SaveFile, QString());
        QCOMPARE(form_->DocFileName, file);

        // Header, then rows bottom-up, blue-green-red, each padded to a multiple of 4 bytes.
        const QByteArray bytes = FileBytes(file);
        const int stride = 24;
        QCOMPARE(bytes.size(), 54 + stride * 5);
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        QCOMPARE(Le32(bytes, 2), quint32(bytes.size()));
        QCOMPARE(Le32(bytes, 10), 54u);
        QCOMPARE(Le32(bytes, 14), 40u);
        QCOMPARE(Le32(bytes, 18), 7u);
        QCOMPARE(Le32(bytes, 22), 5u);
        QCOMPARE(Le16(bytes, 26), quint16(1));
        QCOMPARE(Le16(bytes, 28), quint16(24));
        QCOMPARE(Le32(bytes, 30), 0u);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x) {
                const int at = 54 + stride * (4 - y) + 3 * x;
                const TColor c = TColor(uchar(bytes[at + 2])) | TColor(uchar(bytes[at + 1])) << 8 |
                                 TColor(uchar(bytes[at])) << 16;
                QCOMPARE(c, Picture().Pixel(x, y));
            }
        QCOMPARE(FileDifference(file, Picture()), QString());

        // Save writes over it without a question; nothing else is left in the folder.
        FillNoise(Picture(), 22);
        dialogs_->ClearPrompts();
        form_->Save1->trigger();
        QVERIFY(Prompts().isEmpty());
        QCOMPARE(FileDifference(file, Picture()), QString());
        QCOMPARE(Entries(dir.path()), QStringList{QStringLiteral("pic.bmp")});
    }

    void saveAsTakesTheNameAsChosen_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("no extension") << "picture";
        QTest::newRow("upper-case extension") << "Picture.BMP";
        QTest::newRow("another extension") << "photo.png";
        QTest::newRow("blanks and Cyrillic") << "мой рисунок.bmp";
    }
    void saveAsTakesTheNameAsChosen() {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString file = dir.filePath(name);
        FillNoise(Picture(), 5);
        dialogs_->ExpectSaveFile(file);
        form_->SaveAs1->trigger();
        QCOMPARE(form_->DocFileName, file);
        QCOMPARE(Entries(dir.path()), QStringList{name});
        QCOMPARE(FileBytes(file).left(2), QByteArray("BM"));
        QCOMPARE(FileDifference(file, Picture()), QString());
    }

    void saveAsOverAnExistingFileAsksNothing() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("old.bmp"));
        QVERIFY(PutFile(file, "an older file, not even a picture"));
        FillNoise(Picture(), 8);
        dialogs_->ExpectSaveFile(file);
        form_->SaveAs1->trigger();
        QCOMPARE(Prompts().size(), 1);
        QCOMPARE(FileDifference(file, Picture()), QString());
        QCOMPARE(Entries(dir.path()), QStringList{QStringLiteral("old.bmp")});
    }

    void cancelledSaveWritesNothing_data() {
        QTest::addColumn<bool>("named");
        QTest::addColumn<int>("via");
        QTest::newRow("Save of an unnamed picture") << false << int(Via::Save);
        QTest::newRow("Save As of an unnamed picture") << false << int(Via::SaveAs);
        QTest::newRow("Save As of a named picture") << true << int(Via::SaveAs);
    }
    void cancelledSaveWritesNothing() {
        QFETCH(bool, named);
        QFETCH(int, via);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("photo.bmp"));
        if (named) {
            QVERIFY(PutFile(file, HandMadeBmp(8, 8, false, Pattern)));
            OpenFile(file);
        }
        const QStringList entries = Entries(dir.path());
        const QByteArray bytes = FileBytes(file);
        DrawRectangle();
        const auto before = CopyOf(Picture());
        dialogs_->ExpectSaveFile(std::nullopt);
        (Via(via) == Via::Save ? form_->Save1 : form_->SaveAs1)->trigger();
        QCOMPARE(Prompts().size(), 1);
        CheckFileDialog(0, RecordedPrompt::Kind::SaveFile, QString());
        QCOMPARE(Entries(dir.path()), entries);
        QCOMPARE(FileBytes(file), bytes);
        QCOMPARE(form_->DocFileName, named ? file : QString());
        QCOMPARE(form_->AppMode, amPaint);
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (1)"));
        QCOMPARE(FirstDifference(Picture(), *before), QString());
    }

    void savedFileHoldsTheOutlineButNotTheTextPreview_data() {
        QTest::addColumn<bool>("text");
        QTest::newRow("selection outline") << false;
        QTest::newRow("text preview") << true;
    }
    void savedFileHoldsTheOutlineButNotTheTextPreview() {
        QFETCH(bool, text);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("shot.bmp"));
        if (text)
            Click(form_->SpButModeText);
        Drag(form_->Image1, {20, 20}, {220, 120});
        const int outline = CountColor(Picture(), clBlack, Picture().BoundsRect());
        QVERIFY(outline > 100); // the dotted outline is drawn into the picture
        if (text) {
            QTest::keyClicks(form_->EdTxt, QStringLiteral("Preview"));
            QVERIFY(form_->LabelTxt->isVisible());
            QCOMPARE(form_->LabelTxt->Caption(), QStringLiteral("Preview"));
            // The preview shows on screen over the picture.
            const QImage shown = form_->Image1->grab(QRect(20, 20, 200, 100)).toImage();
            TBitmap onScreen;
            onScreen.AssignImage(shown);
            TBitmap inPicture;
            inPicture.AssignImage(Picture().Image().copy(20, 20, 200, 100));
            QVERIFY(!Differences(onScreen, inPicture).isEmpty());
        }
        dialogs_->ExpectSaveFile(file);
        form_->SaveAs1->trigger();
        QCOMPARE(FileDifference(file, Picture()), QString());
        TBitmap read;
        read.AssignImage(ReadPicture(file));
        QCOMPARE(CountColor(read, clBlack, read.BoundsRect()), outline);
        QCOMPARE(form_->LabelTxt->isVisible(), text);
    }

    void failedSaveKeepsTheOldFileAndTellsWhy_data() {
        QTest::addColumn<int>("unwritable");
        QTest::addColumn<int>("via");
        QTest::newRow("read-only file, Save") << int(Unwritable::ReadOnlyFile) << int(Via::Save);
        QTest::newRow("read-only file, Save As")
            << int(Unwritable::ReadOnlyFile) << int(Via::SaveAs);
        QTest::newRow("read-only folder, Save As")
            << int(Unwritable::ReadOnlyFolder) << int(Via::SaveAs);
        QTest::newRow("a folder's name, Save As")
            << int(Unwritable::FolderName) << int(Via::SaveAs);
        QTest::newRow("folder that does not exist, Save As")
            << int(Unwritable::MissingFolder) << int(Via::SaveAs);
        QTest::newRow("folder removed since Open, Save")
            << int(Unwritable::MissingFolder) << int(Via::Save);
    }
    void failedSaveKeepsTheOldFileAndTellsWhy() {
        QFETCH(int, unwritable);
        QFETCH(int, via);
        const bool permissions = Unwritable(unwritable) == Unwritable::ReadOnlyFile ||
                                 Unwritable(unwritable) == Unwritable::ReadOnlyFolder;
        if (permissions) {
            OrdinaryUser probe;
            if (!probe.Active())
                QSKIP("no ordinary user to run as");
        }
        QTemporaryDir dir;
        QVERIFY(SetMode(dir.path(), kReadOnlyFolder | QFile::WriteOwner));
        const QString sub = dir.filePath(QStringLiteral("sub"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        QString target = dir.filePath(QStringLiteral("sub/photo.bmp"));
        QVERIFY(PutFile(target, HandMadeBmp(9, 7, false, Pattern)));
        if (Via(via) == Via::Save)
            OpenFile(target);
        switch (Unwritable(unwritable)) {
        case Unwritable::ReadOnlyFile:
            QVERIFY(SetMode(sub, kOpenFolder));
            QVERIFY(SetMode(target, kReadOnlyFile));
            break;
        case Unwritable::ReadOnlyFolder:
            target = dir.filePath(QStringLiteral("sub/new.bmp"));
            QVERIFY(SetMode(sub, kReadOnlyFolder));
            break;
        case Unwritable::FolderName:
            target = sub;
            break;
        case Unwritable::MissingFolder:
            if (Via(via) == Via::Save)
                QVERIFY(QDir(sub).removeRecursively());
            else
                target = dir.filePath(QStringLiteral("missing/photo.bmp"));
            break;
        }
        const QStringList entries = Entries(sub);
        const QByteArray bytes = FileBytes(dir.filePath(QStringLiteral("sub/photo.bmp")));
        FillNoise(Picture(), 4);

        if (Via(via) == Via::SaveAs)
            dialogs_->ExpectSaveFile(target);
        dialogs_->ExpectMessage(TModalResult::Ok);
        {
            OrdinaryUser user;
            RunFromMenu(Via(via) == Via::Save ? form_->Save1 : form_->SaveAs1);
        }
        SetMode(sub, kOpenFolder); // so that the folder can be removed

        const int message = Via(via) == Via::SaveAs ? 1 : 0;
        QCOMPARE(Prompts().size(), message + 1);
        const RecordedPrompt& report = Prompts()[message];
        QCOMPARE(report.kind, RecordedPrompt::Kind::Message);
        QCOMPARE(report.msgKind, TMsgKind::Error);
        QCOMPARE(report.buttons, TMsgButtons::Ok);
        // The file named, then the reason.
        const QString lead = kWriteFailed + target + QStringLiteral(":\n");
        QVERIFY2(report.text.startsWith(lead), qPrintable(report.text));
        QVERIFY2(report.text.size() > lead.size() + 3, qPrintable(report.text));
        // Nothing written, nothing left behind, the old file as it was.
        QCOMPARE(Entries(sub), entries);
        QCOMPARE(FileBytes(dir.filePath(QStringLiteral("sub/photo.bmp"))), bytes);
        QCOMPARE(QFileInfo(target).isDir(), Unwritable(unwritable) == Unwritable::FolderName);
        QCOMPARE(form_->DocFileName, target);

        // The editor goes on: Save As elsewhere works.
        dialogs_->ClearPrompts();
        const QString elsewhere = dir.filePath(QStringLiteral("elsewhere.bmp"));
        dialogs_->ExpectSaveFile(elsewhere);
        RunFromMenu(form_->SaveAs1);
        QCOMPARE(Prompts().size(), 1);
        QCOMPARE(FileDifference(elsewhere, Picture()), QString());
        QCOMPARE(form_->DocFileName, elsewhere);
    }

    // ---- Clear ----

    void clearAnsweredNoChangesNothing() {
        PickBrushColor(kOrange);
        DrawRectangle();
        form_->DocFileName = QStringLiteral("/somewhere/old.bmp");
        const auto before = CopyOf(Picture());
        dialogs_->ExpectMessage(TModalResult::No);
        form_->Clear1->trigger();
        QCOMPARE(Prompts().size(), 1);
        CheckMessage(0, TMsgKind::Confirmation, TMsgButtons::YesNo, kClearQuestion);
        QCOMPARE(FirstDifference(Picture(), *before), QString());
        QCOMPARE(form_->UnDo->text(), QStringLiteral("Шаг назад (1)"));
        QCOMPARE(form_->UnDoManager->Count(), 1);
        form_->UnDo->trigger();
        QCOMPARE(CountColor(Picture(), clWhite, Picture().BoundsRect()), 761 * 505);
    }

    void clearFillsWithTheBrushColourInEveryMode_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("nextMode");
        QTest::newRow("select, outline shown") << int(amSelect) << int(amPaint);
        QTest::newRow("select, then select again") << int(amSelect) << int(amSelect);
        QTest::newRow("paint") << int(amPaint) << int(amSelect);
        QTest::newRow("text, preview shown") << int(amText) << int(amSelect);
        QTest::newRow("image, outline shown") << int(amImage) << int(amText);
    }
    void clearFillsWithTheBrushColourInEveryMode() {
        QFETCH(int, mode);
        QFETCH(int, nextMode);
        const std::array<QToolButton*, 4> buttons{form_->SpButModeSelect, form_->SpButModePaint,
                                                  form_->SpButModeText, form_->SpButModeImage};
        PickBrushColor(kOrange);
        DrawRectangle();
        Click(buttons[std::size_t(mode - 1)]);
        Drag(form_->Image1, {100, 100}, {300, 200});
        if (mode == amText)
            QTest::keyClicks(form_->EdTxt, QStringLiteral("Preview"));
        const TRect selection = form_->Selector->SelRect();
        const bool preview = form_->LabelTxt->isVisible();
        QCOMPARE(preview, mode == amText);
        form_->DocFileName = QStringLiteral("/somewhere/old.bmp");

        dialogs_->ExpectMessage(TModalResult::Yes);
        form_->Clear1->trigger();
        QCOMPARE(Prompts().size(), 1);
        CheckMessage(0, TMsgKind::Confirmation, TMsgButtons::YesNo, kClearQuestion);
        const int all = 761 * 505;
        QCOMPARE(CountColor(Picture(), kOrange, Picture().BoundsRect()), all);
        QCOMPARE(form_->AppMode, mode);
        QCOMPARE(form_->Selector->SelRect(), selection);
        QCOMPARE(form_->LabelTxt->isVisible(), preview);
        QCOMPARE(form_->DocFileName, QStringLiteral("/somewhere/old.bmp"));
        QCOMPARE(form_->Image1->Canvas().Brush.Style, bsSolid);
        QCOMPARE(form_->Image1->Canvas().Brush.Color, kOrange);
        CheckHistoryEmpty();
        QCOMPARE(CountColor(Picture(), kOrange, Picture().BoundsRect()), all);
        // Changing the mode draws no outline back onto the cleared picture.
        Click(buttons[std::size_t(nextMode - 1)]);
        QCOMPARE(CountColor(Picture(), kOrange, Picture().BoundsRect()), all);
    }

    void clearCoversAWholeNewLargerPicture() {
        PickBrushColor(kNavy);
        dialogs_->ExpectModal(AnswerNew(QStringLiteral("1000"), QStringLiteral("800")));
        dialogs_->ExpectMessage(TModalResult::Yes);
        form_->New1->trigger();
        form_->Clear1->trigger();
        QCOMPARE(CountColor(Picture(), kNavy, Picture().BoundsRect()), 1000 * 800);
    }

    // ---- no undo manager ----

    void commandsWorkWithoutAnUndoManager() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("photo.bmp"));
        QVERIFY(PutFile(file, HandMadeBmp(12, 8, true, Pattern)));
        form_->UnDoManager.reset();
        dialogs_->ExpectModal(AnswerNew(QStringLiteral("30"), QStringLiteral("20")));
        form_->New1->trigger();
        QCOMPARE(Picture().Width(), 30);
        CheckSelectionModeEntered();
        dialogs_->ExpectMessage(TModalResult::Yes);
        form_->Clear1->trigger();
        QCOMPARE(CountColor(Picture(), clSilver, Picture().BoundsRect()), 30 * 20);
        OpenFile(file);
        QCOMPARE(Picture().Width(), 12);
        QCOMPARE(Picture().Pixel(3, 5), Pattern(3, 5));
        QCOMPARE(form_->DocFileName, file);
    }
};

LIMNORA_TEST_CLASS(TestDocuments)
#include "tst_documents.moc"
