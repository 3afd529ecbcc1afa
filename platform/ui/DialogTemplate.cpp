#include "platform/ui/DialogTemplate.h"

#include <map>

namespace {
template <typename T> std::map<int, const T*>& Registry() {
    static std::map<int, const T*> registry;
    return registry;
}
template <typename T> const T* Find(int id) {
    auto& r = Registry<T>();
    auto it = r.find(id);
    return it == r.end() ? nullptr : it->second;
}
} // namespace

void RegisterDialogTemplate(const DialogTemplate* t) {
    Registry<DialogTemplate>()[t->id] = t;
}
void RegisterMenuTemplate(const MenuTemplate* t) {
    Registry<MenuTemplate>()[t->id] = t;
}
void RegisterImage(const ImageTemplate* t) {
    Registry<ImageTemplate>()[t->id] = t;
}
const DialogTemplate* FindDialogTemplate(int id) {
    return Find<DialogTemplate>(id);
}
const MenuTemplate* FindMenuTemplate(int id) {
    return Find<MenuTemplate>(id);
}
const ImageTemplate* FindImage(int id) {
    return Find<ImageTemplate>(id);
}
