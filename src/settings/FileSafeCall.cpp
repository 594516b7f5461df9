#include "settings/FileSafeCall.h"

namespace zelq {

QString FileSafeCall(const QString& call)
{
    qsizetype n = 0;
    while (n < call.size()) {
        const char16_t c = call[n].unicode();
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z')))
            break;
        ++n;
    }
    return n == 0 ? QStringLiteral("YourCall") : call.left(n);
}

} // namespace zelq
