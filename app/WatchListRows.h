#pragma once

// Brings the main window's list to the result of one check in place: a row whose name,
// numbers and picture are what they were is not touched, so a check that finds nothing
// new changes no item and repaints nothing. Rows are only created for new entries and
// removed when the phonebook shrank.

#include "watch/NumberWatch.h"

#include <QIcon>
#include <QList>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace nuvex {

// The item data role that holds a row's image index.
inline constexpr int kRowImageRole = Qt::UserRole;

// One check's pass over the list. Rows are given in order from the first; when the pass
// ends (also by an exception), rows beyond the last one given are removed, so that an
// interrupted check leaves the rows it reached, and the row chosen last is selected.
class TWatchListRows
{
public:
    TWatchListRows(QTreeWidget& view, const std::vector<QIcon>& images);
    ~TWatchListRows();
    TWatchListRows(const TWatchListRows&) = delete;
    TWatchListRows& operator=(const TWatchListRows&) = delete;

    void Add(const TWatchRow& row);
    // The row to select when the pass ends, -1 for none.
    void Select(int row) { selected_ = row; }

    // Sets an existing item's picture and image index, when they differ.
    static void SetImage(QTreeWidgetItem& item, int image, const std::vector<QIcon>& images);

private:
    void Finish();

    QTreeWidget& view_;
    const std::vector<QIcon>& images_;
    int existing_;
    int count_ = 0;
    int selected_ = -1;
    QList<QTreeWidgetItem*> appended_;
};

} // namespace nuvex
