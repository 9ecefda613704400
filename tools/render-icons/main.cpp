// Renders the program's SVG icon as PNGs of the sizes that menus and software centres ask
// for, in the folder layout of an icon theme:
//   render-icons ICON.svg OUTPUT_FOLDER NAME SIZE...  ->  OUTPUT_FOLDER/<S>x<S>/apps/NAME.png
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QTextStream>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5) {
        err << "usage: render-icons ICON.svg OUTPUT_FOLDER NAME SIZE...\n";
        return 2;
    }
    for (const QString& text : args.mid(4)) {
        bool ok = false;
        const int size = text.toInt(&ok);
        if (!ok || size <= 0 || size > 1024) {
            err << "render-icons: bad size " << text << "\n";
            return 2;
        }
        QImageReader reader(args[1]);
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        if (image.isNull()) {
            err << "render-icons: cannot render " << args[1] << ": " << reader.errorString()
                << "\n";
            return 1;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args[2]).arg(size);
        const QString file = folder + QLatin1Char('/') + args[3] + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
            err << "render-icons: cannot write " << file << "\n";
            return 1;
        }
    }
    return 0;
}
