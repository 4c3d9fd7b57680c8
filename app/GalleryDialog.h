#pragma once

// File ▸ New from Gallery…: the gallery's designs as thumbnails, filtered by name as the user
// types. It opens at once; each thumbnail is drawn on a worker and fills in when it is ready.
// A double-click or Return on one, or Open, chooses it.

#include "app/Gallery.h"

#include <QDialog>

#include <optional>

class QLineEdit;
class QListView;
class QSortFilterProxyModel;
class QStandardItemModel;

class GalleryDialog : public QDialog
{
    Q_OBJECT

public:
    explicit GalleryDialog(std::vector<GalleryDesign> gallery, QWidget* parent = nullptr);
    ~GalleryDialog() override;

    // The design chosen, once the dialog is accepted.
    std::optional<Design> chosenDesign() const;
    // How many thumbnails are drawn so far.
    int thumbnailsDrawn() const { return m_drawn; }

signals:
    void thumbnailDrawn(int index);

private:
    void drawThumbnails();
    void showThumbnail(int index, const QImage& image);

    std::vector<GalleryDesign> m_gallery;
    QStandardItemModel* m_model;
    QSortFilterProxyModel* m_filtered;
    QLineEdit* m_filter;
    QListView* m_list;
    int m_drawn = 0;
    // Shared with the workers: they draw nothing more once the dialog has gone.
    std::shared_ptr<std::atomic<bool>> m_gone = std::make_shared<std::atomic<bool>>(false);
};
