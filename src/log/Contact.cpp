#include "log/Contact.h"

namespace zelq {

QString& Contact::at(int column)
{
    switch (column) {
    case 0: return calls;
    case 1: return namerec;
    case 2: return spc;
    case 3: return cont;
    case 4: return flddate;
    case 5: return fldtime;
    case 6: return uband;
    case 7: return namesent;
    default: return trn;
    }
}

const QString& Contact::at(int column) const
{
    return const_cast<Contact*>(this)->at(column);
}

} // namespace zelq
