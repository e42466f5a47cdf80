#include "ui/DropFlow.h"

#include <new>

#include "job/SoundInput.h"
#include "system/Messages.h"
#include "system/Platform.h"
#include "ui/DesktopWindow.h"

namespace korvel {

DesktopWindow::~DesktopWindow() = default;

DropFlow::DropFlow(DesktopWindow& window, Platform& platform) : window(window), platform(platform), job(platform) {}

std::optional<ConversionOutcome> DropFlow::drop(const std::string& path)
{
    window.waitCursor(WaitCursor::begin);
    window.setAcceptDrops(false);
    std::optional<ConversionOutcome> outcome;
    try {
        SoundInput input(path);
        outcome = run(input);
    } catch (const std::bad_alloc&) {
        outcome = ConversionOutcome::refusedBy(Refusal::formatNotSupported);
    }
    // A plan's fault has no message: the dialog cannot make one.
    if (outcome && outcome->kind == ConversionOutcome::Kind::refused && outcome->message() != 0) {
        window.collapseAt(std::nullopt);
        const ScreenPoint at = window.showMessage(MessageKind::error, platform.messageText(outcome->message()));
        window.restoreAt(at, false);
    }
    window.setAcceptDrops(true);
    window.waitCursor(WaitCursor::end);
    return outcome;
}

std::optional<ConversionOutcome> DropFlow::run(SoundInput& input)
{
    const SoundCheck sound = job.inspect(input, ReadPolicy::desktop);
    if (!sound.accepted())
        return ConversionOutcome::refusedBy(sound.refusal, sound);

    window.collapseAt(std::nullopt);
    const DialogAnswer answer = window.askSettings(sound);
    window.restoreAt(answer.lastRect.topLeft(), true);
    if (!answer.accepted)
        return std::nullopt;
    window.waitCursor(WaitCursor::restore);

    ConversionPlan plan;
    plan.policy = ReadPolicy::desktop;
    plan.title = answer.title;
    plan.copyright = answer.copyright;
    plan.longTexts = LongText::cut;
    plan.rate = answer.outRate;
    plan.permissions = answer.permissions;
    const ConversionOutcome outcome = job.convert(input, plan);
    if (outcome.kind == ConversionOutcome::Kind::written) {
        window.collapseAt(answer.lastRect.centre());
        const ScreenPoint at = window.showMessage(MessageKind::success, ConversionJob::successText(platform, outcome.bytes));
        window.restoreAt(at, true);
    }
    return outcome;
}

}  // namespace korvel
