// The receiving end of the keyboard-event tests: one text field in a window of its own, as an
// editor would be. Every change of its text is written to the file named by
// ZENU_KEY_RECEIVER_OUT (UTF-8), so the test sees what arrived while it is still running.
#include <QApplication>
#include <QPlainTextEdit>
#include <QSaveFile>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    const QString out = qEnvironmentVariable("ZENU_KEY_RECEIVER_OUT");
    QPlainTextEdit editor;
    editor.setWindowTitle(QStringLiteral("key receiver"));
    editor.resize(400, 200);
    QObject::connect(&editor, &QPlainTextEdit::textChanged, [&] {
        if (out.isEmpty()) return;
        QSaveFile file(out);
        if (!file.open(QIODevice::WriteOnly)) return;
        file.write(editor.toPlainText().toUtf8());
        file.commit();
    });
    editor.show();
    editor.setFocus();
    return app.exec();
}
