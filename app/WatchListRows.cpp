#include "app/WatchListRows.h"

#include <QTreeWidget>

namespace nuvex {

namespace {

void SetTextIfDifferent(QTreeWidgetItem& item, int column, const QString& text)
{
    if (item.text(column) != text)
        item.setText(column, text);
}

} // namespace

TWatchListRows::TWatchListRows(QTreeWidget& view, const std::vector<QIcon>& images)
    : view_(view), images_(images), existing_(view.topLevelItemCount())
{}

TWatchListRows::~TWatchListRows()
{
    Finish();
}

void TWatchListRows::SetImage(QTreeWidgetItem& item, int image, const std::vector<QIcon>& images)
{
    const QVariant current = item.data(0, kRowImageRole);
    if (current.isValid() && current.toInt() == image)
        return;
    // The icons are rendered once, when the window is made; the item shares them.
    item.setIcon(0, images.at(static_cast<std::size_t>(image)));
    item.setData(0, kRowImageRole, image);
}

void TWatchListRows::Add(const TWatchRow& row)
{
    if (count_ < existing_) {
        QTreeWidgetItem& item = *view_.topLevelItem(count_);
        SetTextIfDifferent(item, 0, row.Name);
        SetTextIfDifferent(item, 1, row.ActiveNumber);
        SetTextIfDifferent(item, 2, row.CheckNumber);
        SetImage(item, row.ImageIndex, images_);
    } else {
        // New rows join the list together at the end of the pass: one insertion, not one each.
        auto* item = new QTreeWidgetItem(QStringList{row.Name, row.ActiveNumber, row.CheckNumber});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        SetImage(*item, row.ImageIndex, images_);
        appended_.append(item);
    }
    ++count_;
}

void TWatchListRows::Finish()
{
    if (!appended_.isEmpty())
        view_.addTopLevelItems(appended_);
    appended_.clear();
    for (int i = view_.topLevelItemCount() - 1; i >= count_; --i)
        delete view_.takeTopLevelItem(i);

    QTreeWidgetItem* wanted = selected_ >= 0 ? view_.topLevelItem(selected_) : nullptr;
    const QList<QTreeWidgetItem*> selection = view_.selectedItems();
    if (wanted) {
        if (view_.currentItem() != wanted || selection.size() != 1 || selection.first() != wanted)
            view_.setCurrentItem(wanted);
    } else if (!selection.isEmpty() || view_.currentItem()) {
        view_.clearSelection();
        view_.setCurrentItem(nullptr);
    }
}

} // namespace nuvex
