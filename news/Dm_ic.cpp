#include "news/Dm_ic.h"

#include "ui/Pictures.h"

namespace nuvex {

namespace {

TDm* current = nullptr;

} // namespace

TDm::TDm(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("Dm"));
    ImageList1.push_back(PictureIcon(QStringLiteral(":/images/password-note.svg")));
    current = this;
}

TDm::~TDm()
{
    if (current == this)
        current = nullptr;
}

TDm* TDm::Current()
{
    return current;
}

void TDm::InternetUpdate() {}

} // namespace nuvex
