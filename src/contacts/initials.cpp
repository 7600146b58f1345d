#include "contacts/initials.h"

#include "services/core/core.h"
#include "services/core/gbk_walk.h"

Text NameInitials(const Text& name, int characters) {
    Text initials;
    const std::string& s = name.bytes();
    std::size_t at = 0;
    // By characters, not byte pairs: a one-byte character (a letter, the euro
    // sign 0x80) before a hanzi must not shift the hanzi off its bytes.
    for (int k = 0; k < characters && at < s.size(); ++k) {
        const std::size_t n = gbk::CharLength(s, at);
        initials += LeftText(Pinyin(Text::fromBytes(s.data() + at, n), 1), 1);
        at += n;
    }
    return initials;
}
