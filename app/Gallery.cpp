#include "app/Gallery.h"

#include "app/DesignFormat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

// At the top level: a resource of a static library is brought in by its name.
static void initialiseGalleryResource()
{
    Q_INIT_RESOURCE(gallery);
}

namespace {

Q_LOGGING_CATEGORY(galleryLog, "rotagraph.gallery")

}

QString shippedGalleryFolder()
{
    initialiseGalleryResource();
    return QStringLiteral(":/gallery");
}

std::vector<GalleryDesign> loadGallery(const QString& folder)
{
    std::vector<GalleryDesign> gallery;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.rotagraph")}, QDir::Files, QDir::Name);
    for (const QFileInfo& file : files) {
        // Read through QFile, which knows the program's resources, as the system's calls do not.
        QFile opened(file.filePath());
        const DesignReadResult read = opened.open(QIODevice::ReadOnly)
            ? readDesign(opened.read(kMaximumDesignFileSize + 1))
            : DesignReadResult{std::nullopt, opened.errorString(), {}};
        if (!read.design) {
            qCWarning(galleryLog, "The gallery's “%s” is left out: %s", qPrintable(file.fileName()),
                      qPrintable(read.error));
            continue;
        }
        gallery.push_back({file.completeBaseName(), *read.design});
    }
    return gallery;
}
