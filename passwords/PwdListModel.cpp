#include "passwords/PwdListModel.h"

#include "news/Dm_ic.h"

#include <QIcon>
#include <QPixmap>
#include <array>

namespace nuvex {

namespace {

const std::array<QString, 3> kColumns{QStringLiteral("Název"), QStringLiteral("Už.jméno"),
                                      QStringLiteral("Heslo")};

const QIcon& BlankIcon()
{
    static const QIcon blank = [] {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        return QIcon(pixmap);
    }();
    return blank;
}

} // namespace

TPwdListModel::TPwdListModel(QObject* parent) : QAbstractTableModel(parent) {}

void TPwdListModel::SetItemCount(int count)
{
    count = std::max(count, 0);
    if (count > count_) {
        beginInsertRows(QModelIndex(), count_, count - 1);
        count_ = count;
        endInsertRows();
    } else if (count < count_) {
        beginRemoveRows(QModelIndex(), count, count_ - 1);
        count_ = count;
        endRemoveRows();
    }
}

void TPwdListModel::Repaint()
{
    if (count_ > 0)
        emit dataChanged(index(0, 0), index(count_ - 1, columnCount() - 1));
}

int TPwdListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count_;
}

int TPwdListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(kColumns.size());
}

QVariant TPwdListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= count_ || !OnData ||
        (role != Qt::DisplayRole && role != Qt::DecorationRole && role != ImageIndexRole))
        return {};
    if (role == Qt::DecorationRole && index.column() != 0)
        return {};
    TPwdListItem item;
    item.Index = index.row();
    OnData(item);
    if (role == ImageIndexRole)
        return item.ImageIndex;
    if (role == Qt::DecorationRole) {
        const TDm* dm = TDm::Current();
        if (!dm || item.ImageIndex < 0 || item.ImageIndex >= static_cast<int>(dm->ImageList1.size()))
            return BlankIcon();
        return dm->ImageList1[static_cast<std::size_t>(item.ImageIndex)];
    }
    if (index.column() == 0)
        return item.Caption;
    return item.SubItems.value(index.column() - 1);
}

QVariant TPwdListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < static_cast<int>(kColumns.size()))
        return kColumns[static_cast<std::size_t>(section)];
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace nuvex
