#include "app/GalleryDialog.h"

#include "app/DesignArt.h"
#include "output/PngExport.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QThreadPool>
#include <QVBoxLayout>

namespace {

constexpr int kThumbnailEdge = 128;
constexpr int kDesignRole = Qt::UserRole + 1;   // the design's place in the gallery

// The thumbnails' own workers: a drawing may hand parts of its work to the shared pool and wait
// for them, which it could not do from a thread of that pool taken by another thumbnail.
QThreadPool& thumbnailWorkers()
{
    static QThreadPool workers;
    return workers;
}

}

GalleryDialog::GalleryDialog(std::vector<GalleryDesign> gallery, QWidget* parent)
    : QDialog(parent)
    , m_gallery(std::move(gallery))
    , m_model(new QStandardItemModel(this))
    , m_filtered(new QSortFilterProxyModel(this))
    , m_filter(new QLineEdit(this))
    , m_list(new QListView(this))
{
    setWindowTitle(tr("New from Gallery"));
    m_filter->setPlaceholderText(tr("Filter by name"));
    m_filter->setAccessibleName(tr("Filter by name"));
    m_filter->setClearButtonEnabled(true);
    QPixmap blank(kThumbnailEdge, kThumbnailEdge);
    blank.fill(Qt::transparent);
    for (std::size_t i = 0; i < m_gallery.size(); ++i) {
        auto* item = new QStandardItem(QIcon(blank), m_gallery[i].name);
        item->setData(int(i), kDesignRole);
        item->setEditable(false);
        m_model->appendRow(item);
    }
    m_filtered->setSourceModel(m_model);
    m_filtered->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_list->setModel(m_filtered);
    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(QSize(kThumbnailEdge, kThumbnailEdge));
    m_list->setGridSize(QSize(kThumbnailEdge + 40, kThumbnailEdge + 36));
    m_list->setResizeMode(QListView::Adjust);
    m_list->setMovement(QListView::Static);
    m_list->setUniformItemSizes(true);
    m_list->setAccessibleName(tr("Gallery"));
    m_list->setMinimumSize(4 * (kThumbnailEdge + 40) + 24, 2 * (kThumbnailEdge + 36) + 8);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_filter);
    layout->addWidget(m_list);
    layout->addWidget(buttons);

    const auto openChosen = [this, buttons] {
        buttons->button(QDialogButtonBox::Open)->setEnabled(m_list->currentIndex().isValid());
    };
    connect(m_filter, &QLineEdit::textChanged, this, [this, openChosen](const QString& text) {
        m_filtered->setFilterFixedString(text);
        if (!m_list->currentIndex().isValid() && m_filtered->rowCount() > 0)
            m_list->setCurrentIndex(m_filtered->index(0, 0));
        openChosen();
    });
    connect(m_list, &QListView::activated, this, &QDialog::accept);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, openChosen);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    if (m_filtered->rowCount() > 0)
        m_list->setCurrentIndex(m_filtered->index(0, 0));
    openChosen();
    m_list->setFocus();
    drawThumbnails();
}

GalleryDialog::~GalleryDialog()
{
    *m_gone = true;
}

std::optional<Design> GalleryDialog::chosenDesign() const
{
    const QModelIndex current = m_list->currentIndex();
    if (result() != QDialog::Accepted || !current.isValid())
        return std::nullopt;
    return m_gallery[std::size_t(current.data(kDesignRole).toInt())].design;
}

// One task per thumbnail, each handing its picture back to the dialog, if it is still there.
void GalleryDialog::drawThumbnails()
{
    const QPointer<GalleryDialog> dialog(this);
    for (std::size_t i = 0; i < m_gallery.size(); ++i) {
        const Design& design = m_gallery[i].design;
        const Composition composition = compositionOf(design);
        const bool greaseIt = design.curves.first().greaseIt;
        const std::shared_ptr<std::atomic<bool>> gone = m_gone;
        thumbnailWorkers().start([dialog, gone, composition, greaseIt, index = int(i)] {
            if (*gone)
                return;
            const QImage image = renderExportImage(composition, kThumbnailEdge, true, greaseIt);
            QMetaObject::invokeMethod(QCoreApplication::instance(), [dialog, index, image] {
                if (dialog)
                    dialog->showThumbnail(index, image);
            }, Qt::QueuedConnection);
        });
    }
}

void GalleryDialog::showThumbnail(int index, const QImage& image)
{
    if (QStandardItem* item = m_model->item(index); item && !image.isNull())
        item->setIcon(QIcon(QPixmap::fromImage(image)));
    ++m_drawn;
    emit thumbnailDrawn(index);
}
