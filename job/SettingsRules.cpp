#include "job/SettingsRules.h"

#include <cmath>
#include <string>

#include "tessal/AtrWriter.h"
#include "tessal/ContentInfo.h"
#include "tessal/TagValue.h"

namespace korvel {

int SettingsRules::defaultRate(int inputRate)
{
    return inputRate >= kHighRate ? kHighRate : kLowRate;
}

bool SettingsRules::rateAllowed(int outRate, int inputRate)
{
    return outRate == kLowRate || (outRate == kHighRate && inputRate >= kHighRate);
}

std::uint8_t SettingsRules::permissions(bool saveAllowed, bool transferAllowed)
{
    std::uint8_t bits = 0;
    if (!saveAllowed)
        bits |= ContentInfo::kNoSave;
    if (!saveAllowed || !transferAllowed)
        bits |= ContentInfo::kNoTransfer;
    return bits;
}

int SettingsRules::textLimit()
{
    return ContentInfo::kMaxTextBytes;
}

bool SettingsRules::textFits(const std::string& text, TextCoding coding)
{
    return utf8ValueBytes(text.c_str(), coding) <= textLimit();
}

void SettingsRules::describe(SoundCheck& sound)
{
    sound.rates.clear();
    for (const int rate : {kLowRate, kHighRate})
        if (rateAllowed(rate, sound.sampleRate))
            sound.rates.push_back(rate);
    sound.defaultRate = defaultRate(sound.sampleRate);
    // What the writer keeps of an hour.
    const int hour = sound.defaultRate * 3600;
    sound.longestPart = static_cast<double>(AtrWriter::framesKept(sound.defaultRate, hour)) / sound.defaultRate;
    sound.textLimit = textLimit();
}

namespace {

// Times are not negative; neither times nor the gain are NaN.
bool partIsANumber(const SoundPart& part)
{
    const double times[] = {part.start, part.length.value_or(0), part.fadeIn, part.fadeOut};
    for (const double t : times)
        if (!(t >= 0))
            return false;
    return !std::isnan(part.gainDb);
}

bool isDate(const std::string& date)
{
    if (date.empty())
        return true;
    if (date.size() != 8)
        return false;
    for (const char c : date)
        if (c < '0' || c > '9')
            return false;
    return true;
}

}  // namespace

Refusal SettingsRules::checkPlan(const ConversionPlan& plan, const SoundCheck& sound, TextCoding coding)
{
    if (plan.rate && !rateAllowed(*plan.rate, sound.sampleRate))
        return Refusal::rateNotAllowed;
    // The base name as the title must be readable as text, or the file
    // would have an empty title without a word.
    std::u16string units;
    if (!plan.title && !textToUtf16(sound.defaultTitle.c_str(), coding, units))
        return Refusal::titleUnreadable;
    if (plan.longTexts == LongText::refuse) {
        if (!textFits(plan.title.value_or(sound.defaultTitle), coding))
            return Refusal::titleTooLong;
        if (!textFits(plan.copyright, coding))
            return Refusal::copyrightTooLong;
    }
    if (!partIsANumber(plan.part))
        return Refusal::partNotANumber;
    if (!isDate(plan.date))
        return Refusal::dateNotADate;
    return Refusal::none;
}

}  // namespace korvel
