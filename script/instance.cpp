#include "script/instance.h"

#include <algorithm>
#include <cstring>

#include "grib/env/env.h"
#include "script/script_file.h"

ScriptInstance::ScriptInstance()
    : tickRate(GRIB_GetTickRate()), script(nullptr), statics(nullptr), pieceStates(nullptr), animationPending(0),
      threads{}, activeThreads(0) {}

ScriptInstance::~ScriptInstance() {
    GRIB_Free(pieceStates);
    GRIB_Free(statics);
}

void ScriptInstance::HostCommandA(int32_t, int32_t, int32_t) {}
void ScriptInstance::HostCommandB(int32_t) {}
void ScriptInstance::HostCommandC(int32_t, int32_t) {}
void ScriptInstance::HostCommandD(int32_t, int32_t) {}
void ScriptInstance::SetValue(int32_t, int32_t) {}
int32_t ScriptInstance::GetValue(int32_t) { return 0; }

namespace {

// Resizes a tagged block; never returns a null block for a zero size, so a
// script without pieces or statics attaches normally.
template <typename T>
bool Resize(T*& block, const char* tag, size_t count) {
    void* grown = GRIB_Realloc(block, tag, std::max<size_t>(count, 1) * sizeof(T));
    if (!grown) return false;
    block = static_cast<T*>(grown);
    std::memset(block, 0, count * sizeof(T));
    return true;
}

}  // namespace

void AttachScript(ScriptInstance* instance, ScriptFile* file) {
    instance->script = file;
    if (!file) return;
    if (!Resize(instance->pieceStates, "Object States", static_cast<size_t>(file->pieceCount)) ||
        !Resize(instance->statics, "Static Varibles", static_cast<size_t>(file->staticCount))) {
        instance->script = nullptr;
        return;
    }
    for (ScriptExternalRef& ref : file->externals) ref.binding = nullptr;
}

int32_t FindFunction(ScriptInstance* instance, const char* name) {
    const ScriptFile* f = instance->script;
    if (!f || !name) return -1;
    for (int32_t i = 0; i < f->functionCount; i++)
        if (!std::strcmp(f->functionNames[i], name)) return i;
    return -1;
}

int32_t AllocateThread(ScriptInstance* instance, int32_t function) {
    const ScriptFile* f = instance->script;
    if (!f || function < 0 || function >= f->functionCount) return -1;
    for (int32_t t = 0; t < SCRIPT_THREADS; t++) {
        ScriptThread& th = instance->threads[t];
        if (th.state != SCRIPT_FREE) continue;
        th.state = SCRIPT_RUNNABLE;
        th.position = f->functionStarts[function];
        th.top = -1;
        th.signalMask = 1;
        th.receiver = nullptr;
        instance->activeThreads++;
        return t;
    }
    return -1;
}

int StartFunction(ScriptInstance* instance, const char* name, CompletionReceiver* receiver, int runNow) {
    int32_t t = AllocateThread(instance, FindFunction(instance, name));
    if (t < 0) return 0;
    instance->threads[t].receiver = receiver;
    if (runNow) RunScript(instance, 0);
    return 1;
}

int StartFunctionWithArgs(ScriptInstance* instance, const char* name, CompletionReceiver* receiver, int runNow,
                          int32_t argumentCount, int32_t a0, int32_t a1, int32_t a2, int32_t a3) {
    int32_t t = AllocateThread(instance, FindFunction(instance, name));
    if (t < 0) {
        if (receiver) receiver->Result(0);
        return 0;
    }
    ScriptThread& th = instance->threads[t];
    th.receiver = receiver;
    th.stack[0] = a0;
    th.stack[1] = a1;
    th.stack[2] = a2;
    th.stack[3] = a3;
    th.top = std::clamp<int32_t>(argumentCount, 0, SCRIPT_STACK_SLOTS) - 1;
    if (runNow) RunScript(instance, 0);
    return 1;
}
