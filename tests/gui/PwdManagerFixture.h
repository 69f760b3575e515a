#pragma once

// The password manager's window with a few records seeded, for its tests with the
// scrambled password file and with the encrypted one.

#include "gui/PwdTestSupport.h"
#include "news/Dm_ic.h"
#include "passwords/Dlg_PwdManager.h"
#include "passwords/Dlg_PwdRecord.h"
#include "passwords/PwdListModel.h"

#include <QIcon>
#include <QImage>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace nuvex::test {

using namespace Qt::StringLiterals;

class PwdManager : public PwdFixture
{
protected:
    void Seed(const TPwdRecords& records) { SaveRecords(records, PwdFile()); }

    static TPwdRecords ThreeRecords()
    {
        return {MakePwdRecord(u"Mail"_s, u"jana"_s, u"heslo1"_s, QString()),
                MakePwdRecord(u"Banka"_s, u"novak"_s, u"Žluťoučký"_s, u"PIN u sebe\r\nnenosit"_s),
                MakePwdRecord(u"Fórum"_s, u"jn"_s, u"x"_s, QString())};
    }

    static QStringList Names(const TPwdRecords& records)
    {
        QStringList names;
        for (const TPwdRecord& record : records)
            names.append(GetField(record, TPwdField::Nazev));
        return names;
    }

    static QString Cell(const TDlgPwdManager& window, int row, int column)
    {
        return window.PwdListModel->index(row, column).data().toString();
    }

    static bool HasImage(const TDlgPwdManager& window, int row)
    {
        const QModelIndex cell = window.PwdListModel->index(row, 0);
        const int image = cell.data(TPwdListModel::ImageIndexRole).toInt();
        // A row without the picture shows a blank one of the same size.
        const QImage drawn = cell.data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
        EXPECT_EQ(drawn.size(), QSize(16, 16));
        bool visible = false;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x)
                visible = visible || drawn.pixelColor(x, y).alpha() > 0;
        EXPECT_EQ(visible, image == imgPwdWithNote) << "row " << row;
        return image == imgPwdWithNote;
    }

    // Fills the next record dialog and closes it with the button.
    static void AnswerRecordDialog(const QString& nazev, const QString& uzName, const QString& heslo,
                                   const QString& note, const QString& button = u"OK"_s)
    {
        WhenModal<TDlgPwdRecord>([=](TDlgPwdRecord& dialog) {
            Type(dialog, "NazevEdit", nazev);
            Type(dialog, "UzNameEdit", uzName);
            Type(dialog, "HesloEdit", heslo);
            dialog.MemoEdit->setPlainText(note);
            Press(dialog, button);
        });
    }

    TDm dm;
};

} // namespace nuvex::test
