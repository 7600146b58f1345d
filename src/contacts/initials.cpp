#include "contacts/initials.h"

#include "services/core/core.h"

Text NameInitials(const Text& name, int characters) {
    Text initials;
    for (int k = 1; k <= characters; ++k) initials += LeftText(Pinyin(MidText(name, 2 * k - 1, 2), 1), 1);
    return initials;
}
