#include "dialogs/AppHooks.h"

namespace {

DialogHooks& Hooks() {
    static DialogHooks hooks;
    return hooks;
}

} // namespace

void SetDialogHooks(const DialogHooks& hooks) {
    Hooks() = hooks;
}

const DialogHooks& GetDialogHooks() {
    return Hooks();
}
