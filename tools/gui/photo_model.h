// The card's photos as a list model for the grid: each photo's position and
// slot, its picture once read, and the file it was imported as. The model is
// filled once per reading of the card's list; pictures arrive one by one.
#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <vector>

#include "card_worker.h"

namespace pixavon::gui {

class PhotoModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role { kPositionRole = Qt::UserRole, kSlotRole, kPhotoRole, kImportedAsRole };
    // Thumbnails are this size in the grid, in device-independent pixels.
    static constexpr QSize kThumbSize{161, 121};

    explicit PhotoModel(QObject* parent = nullptr);

    // A new list of photos; pictures already read for slots the card still
    // holds stay (a slot's picture changes only when it is written).
    void reset(quint64 generation, const CardInfo& card);
    // Forgets every picture: after a restore, format or rescue the slots may
    // hold other pictures.
    void forget_pictures();
    void set_photo(quint64 generation, int position, const QImage& photo, const QString& imported_as);
    // The photo at `position` could not be read: it is not asked for again
    // until the card is read afresh.
    void set_unreadable(quint64 generation, int position);
    void set_imported_as(int position, const QString& file);
    // For thumbnails at the screen's pixel density.
    void set_device_pixel_ratio(qreal ratio);

    quint64 generation() const { return generation_; }
    QImage photo(int position) const;
    // Positions whose pictures are still to be read (and may be).
    QList<int> missing() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    struct Photo {
        int slot = 0;
        QImage picture;
        QString imported_as;
        bool unreadable = false;
    };
    QPixmap thumbnail(const Photo& photo) const;
    QString describe(int position, const Photo& photo) const;

    quint64 generation_ = 0;
    std::vector<Photo> photos_;
    qreal ratio_ = 1;
    // Thumbnails drawn so far, by position, at ratio_.
    mutable QHash<int, QPixmap> thumbnails_;
};

}  // namespace pixavon::gui
