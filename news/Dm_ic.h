#pragma once

// TDm: the data module, created once at start-up and destroyed at the program's end. It
// holds the small images of the password manager's list and the update command, which
// does nothing.

#include <QIcon>
#include <QObject>
#include <vector>

namespace nuvex {

// Indexes into TDm::ImageList1.
enum TDmImage : int
{
    imgPwdWithNote = 0, // a password record that has a note
};

class TDm : public QObject
{
    Q_OBJECT

public:
    explicit TDm(QObject* parent = nullptr);
    ~TDm() override;

    // The data module of the running program (the one created last, while it lives), or
    // nullptr.
    static TDm* Current();

    std::vector<QIcon> ImageList1;

public slots:
    // "&Internet update": checking for and installing a new version is not offered, so
    // this reads, writes, shows and connects to nothing.
    void InternetUpdate();
};

} // namespace nuvex
