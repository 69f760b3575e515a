#pragma once

// The password manager's list as a virtual list: it holds only a row count and asks its
// owner for a row's content (OnData) each time a view needs it, so that a list of any
// length costs nothing until it is drawn.

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>

namespace nuvex {

// One row, as the owner fills it: the first column's text, the other columns' texts and
// the index of the first column's image in the data module's image list (-1: none).
struct TPwdListItem
{
    int Index = 0;
    QString Caption;
    QStringList SubItems;
    int ImageIndex = -1;
};

class TPwdListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TPwdListModel(QObject* parent = nullptr);

    // The role that answers a row's image index (TPwdListItem::ImageIndex). A row without
    // an image still shows a blank one, so that the names stay in one column.
    static constexpr int ImageIndexRole = Qt::UserRole + 1;

    std::function<void(TPwdListItem&)> OnData;

    int ItemCount() const { return count_; }
    // Sets the row count; rows keep their numbers (and a view its selection by number),
    // as a virtual list does.
    void SetItemCount(int count);
    // Every row's content may have changed.
    void Repaint();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    int count_ = 0;
};

} // namespace nuvex
