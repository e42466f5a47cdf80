#include "system/Messages.h"

namespace korvel {

namespace {

struct Message {
    int number;
    const char* english;
    const char* japanese;
};

constexpr Message kMessages[] = {
#define KORVEL_MESSAGE(number, english, japanese) {number, english, japanese},
#include "system/Messages.def"
#undef KORVEL_MESSAGE
};

static_assert(sizeof(kMessages) / sizeof(kMessages[0]) == 11);

}  // namespace

const char* messageText(int number, bool japanese)
{
    for (const Message& m : kMessages)
        if (m.number == number)
            return japanese ? m.japanese : m.english;
    return nullptr;
}

}  // namespace korvel
