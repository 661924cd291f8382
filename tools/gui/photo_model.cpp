#include "photo_model.h"

#include "desktop/window.h"
#include "phrases.h"

#include <QPainter>
#include <QPixmap>

namespace pixavon::gui {

PhotoModel::PhotoModel(QObject* parent) : QAbstractListModel(parent) {}

void PhotoModel::reset(quint64 generation, const CardInfo& card) {
    beginResetModel();
    // Nothing is carried over by slot: a slot emptied and written again
    // between two reloads holds another picture. The core keeps the photos
    // it read for as long as their catalog entries stay, so those come back
    // without reading the card again.
    generation_ = generation;
    photos_.clear();
    thumbnails_.clear();
    for (const uint8_t slot : card.slots) photos_.push_back(Photo{slot, {}, {}, false});
    endResetModel();
}

void PhotoModel::forget_pictures() {
    for (Photo& photo : photos_) photo = Photo{photo.slot, {}, {}, false};
    thumbnails_.clear();
    if (!photos_.empty()) Q_EMIT dataChanged(index(0), index(rowCount() - 1));
}

void PhotoModel::set_photo(quint64 generation, int position, const QImage& photo, const QString& imported_as) {
    if (generation != generation_ || position < 0 || position >= rowCount()) return;
    Photo& entry = photos_[static_cast<size_t>(position)];
    entry.picture = photo;
    entry.imported_as = imported_as;
    thumbnails_.remove(position);
    Q_EMIT dataChanged(index(position), index(position));
}

void PhotoModel::set_unreadable(quint64 generation, int position) {
    if (generation != generation_ || position < 0 || position >= rowCount()) return;
    photos_[static_cast<size_t>(position)].unreadable = true;
    Q_EMIT dataChanged(index(position), index(position));
}

void PhotoModel::set_imported_as(int position, const QString& file) {
    if (position < 0 || position >= rowCount()) return;
    photos_[static_cast<size_t>(position)].imported_as = file;
    thumbnails_.remove(position);
    Q_EMIT dataChanged(index(position), index(position));
}

void PhotoModel::set_device_pixel_ratio(qreal ratio) {
    if (qFuzzyCompare(ratio, ratio_)) return;
    ratio_ = ratio;
    thumbnails_.clear();
    if (!photos_.empty()) Q_EMIT dataChanged(index(0), index(rowCount() - 1), {Qt::DecorationRole});
}

QImage PhotoModel::photo(int position) const {
    if (position < 0 || position >= rowCount()) return {};
    return photos_[static_cast<size_t>(position)].picture;
}

QList<int> PhotoModel::missing() const {
    QList<int> positions;
    for (size_t i = 0; i < photos_.size(); ++i) {
        if (photos_[i].picture.isNull() && !photos_[i].unreadable) positions << static_cast<int>(i);
    }
    return positions;
}

int PhotoModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(photos_.size());
}

QPixmap PhotoModel::thumbnail(const Photo& photo) const {
    const QSize pixels = (QSizeF(kThumbSize) * ratio_).toSize();
    QPixmap pixmap;
    if (photo.picture.isNull()) {
        pixmap = QPixmap(pixels);
        pixmap.fill(Qt::darkGray);
    } else {
        // Drawn from the whole photo at the screen's density, not enlarged
        // from a small copy.
        pixmap = QPixmap::fromImage(photo.picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    pixmap.setDevicePixelRatio(ratio_);
    if (!photo.imported_as.isEmpty()) {
        // A photo this computer has is marked as photo managers mark it: a
        // white tick on a green disc in the corner.
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal size = 24;
        const QRectF disc(kThumbSize.width() - size - 5, kThumbSize.height() - size - 5, size, size);
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(QColor(0x2e, 0x7d, 0x32));
        painter.drawEllipse(disc);
        QPen tick(Qt::white, 3);
        tick.setCapStyle(Qt::RoundCap);
        tick.setJoinStyle(Qt::RoundJoin);
        painter.setPen(tick);
        painter.setBrush(Qt::NoBrush);
        const QPointF points[] = {disc.topLeft() + QPointF(size * 0.27, size * 0.52),
                                  disc.topLeft() + QPointF(size * 0.44, size * 0.69),
                                  disc.topLeft() + QPointF(size * 0.74, size * 0.34)};
        painter.drawPolyline(points, 3);
    }
    return pixmap;
}

QString PhotoModel::describe(int position, const Photo& photo) const {
    return qt(desktop::photo_caption(static_cast<uint32_t>(position), photo.imported_as.toStdString(), photo.unreadable,
                                     !photo.picture.isNull()));
}

QVariant PhotoModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int position = index.row();
    const Photo& photo = photos_[static_cast<size_t>(position)];
    switch (role) {
        case Qt::DisplayRole:
            return QString::number(position + 1);
        case Qt::DecorationRole: {
            auto it = thumbnails_.find(position);
            if (it == thumbnails_.end()) it = thumbnails_.insert(position, thumbnail(photo));
            return *it;
        }
        case Qt::AccessibleTextRole:
        case Qt::ToolTipRole:
            return describe(position, photo);
        case kPositionRole:
            return position;
        case kSlotRole:
            return photo.slot;
        case kPhotoRole:
            return photo.picture;
        case kImportedAsRole:
            return photo.imported_as;
        default:
            return {};
    }
}

}  // namespace pixavon::gui
