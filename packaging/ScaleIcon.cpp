// A build step: writes the game's icon at one of the sizes a desktop icon theme
// looks for. Every size is scaled down from the one large drawing, so the
// small icons show the same cat as the large one.
#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SOURCE.png SIZE TARGET.png\n", argv[0]);
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]));
    const int size = QString::fromLocal8Bit(argv[2]).toInt();
    if (source.isNull() || size <= 0 || size > source.width()) {
        std::fprintf(stderr, "%s: cannot make a %s pixel icon from %s\n", argv[0], argv[2],
                     argv[1]);
        return 1;
    }
    const QImage icon = source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return icon.save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
}
