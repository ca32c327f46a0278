// zenu-render-manual IN.md OUT.pdf: renders a user manual written in Markdown to an A4 PDF.
// Runs at build time without a display (QT_QPA_PLATFORM=offscreen).
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextDocument>
#include <cstdio>

namespace {

int fail(const QString& text) {
    std::fprintf(stderr, "zenu-render-manual: %s\n", qPrintable(text));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2) return fail(QStringLiteral("usage: zenu-render-manual IN.md OUT.pdf"));

    QFile in(args.at(0));
    if (!in.open(QIODevice::ReadOnly)) return fail(QStringLiteral("cannot read %1: %2").arg(in.fileName(), in.errorString()));
    const QString markdown = QString::fromUtf8(in.readAll());

    QTextDocument document;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(10);
    document.setDefaultFont(font);
    document.setMarkdown(markdown);
    const QRegularExpressionMatch heading = QRegularExpression(QStringLiteral("^# (.+)$"),
                                                               QRegularExpression::MultilineOption)
                                                .match(markdown);

    QSaveFile out(args.at(1));
    if (!out.open(QIODevice::WriteOnly)) return fail(QStringLiteral("cannot write %1: %2").arg(out.fileName(), out.errorString()));
    {
        QPdfWriter writer(&out);
        writer.setTitle(heading.hasMatch() ? heading.captured(1).trimmed() : QStringLiteral("Zenu Connect"));
        writer.setCreator(QStringLiteral("Zenu Connect"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                                         QPageLayout::Millimeter));
        document.print(&writer);
    }
    if (!out.commit()) return fail(QStringLiteral("cannot write %1: %2").arg(out.fileName(), out.errorString()));
    return 0;
}
