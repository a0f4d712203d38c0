// Kit forwarders: each picks the routine from the object's table and hands its arguments on,
// the variable arguments by the address of their list.
#include "common/kit/kit_forwarders.h"

#include <cstdarg>

#include "common/module/anchors.h"

namespace {

qor_kit* module_kit() {
    if (Exported_QKHandle) return Exported_QKHandle;
    qor_gcb* gcb = common_gcb();
    return gcb ? gcb->kit : nullptr;
}

qor_waiter* kit_waiter(qor_kit* kit) {
    if (!kit) return nullptr;
    qor_waiter* waiter = nullptr;
    if (kit->ops && kit->ops->current_waiter) waiter = kit->ops->current_waiter(kit);
    return waiter ? waiter : kit->default_waiter;
}

const qor_message_ops* message_ops(qor_message_object* object) {
    return object ? object->ops : nullptr;
}

}  // namespace

int qkWait(void* waiter, int count, void** handles, int* index_out, uint8_t wait_all,
           long timeout_ms) {
    qor_kit* kit = module_kit();
    qor_waiter* chosen = static_cast<qor_waiter*>(waiter);
    if (!waiter || (kit && waiter == static_cast<void*>(kit))) chosen = kit_waiter(kit);
    if (!chosen) return QOR_KIT_NO_WAITER;
    if (!chosen->ops || !chosen->ops->wait) return QOR_KIT_UNSUPPORTED;
    return chosen->ops->wait(chosen, count, handles, index_out, wait_all, timeout_ms);
}

int qklMessageToBuf(qor_message_object* object, char* buffer, size_t size, size_t* length,
                    int table, int number, ...) {
    const qor_message_ops* ops = message_ops(object);
    if (!ops || !ops->message_to_buf) return QOR_KIT_UNSUPPORTED;
    va_list args;
    va_start(args, number);
    int rc = ops->message_to_buf(object, buffer, size, length, table, number, &args);
    va_end(args);
    return rc;
}

int qklMessageToJnl(qor_message_object* object, void* journal, int table, int number, ...) {
    const qor_message_ops* ops = message_ops(object);
    if (!ops || !ops->message_to_jnl) return QOR_KIT_UNSUPPORTED;
    va_list args;
    va_start(args, number);
    int rc = ops->message_to_jnl(object, journal, table, number, &args);
    va_end(args);
    return rc;
}

int qklStatusToBuf(qor_message_object* object, char* buffer, size_t size, size_t* length,
                   int status, ...) {
    const qor_message_ops* ops = message_ops(object);
    if (!ops || !ops->status_to_buf) return QOR_KIT_UNSUPPORTED;
    va_list args;
    va_start(args, status);
    int rc = ops->status_to_buf(object, buffer, size, length, status, &args);
    va_end(args);
    return rc;
}

int qklStatusToJnl(qor_message_object* object, void* journal, int status, ...) {
    const qor_message_ops* ops = message_ops(object);
    if (!ops || !ops->status_to_jnl) return QOR_KIT_UNSUPPORTED;
    va_list args;
    va_start(args, status);
    int rc = ops->status_to_jnl(object, journal, status, &args);
    va_end(args);
    return rc;
}

int bogus() { return 1; }

int skUnsup() { return QOR_KIT_UNSUPPORTED; }
