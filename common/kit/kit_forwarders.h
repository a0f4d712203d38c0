// Forwarders to the host kit: waiting through the kit's waiter, the message and status objects,
// and the two constant answers every module carries (bogus, skUnsup).
#pragma once
#include <cstddef>
#include <cstdint>
#include "host/kit.h"

// Waits through a waiter. A null waiter, or the kit handle itself passed as the waiter, is
// replaced by the kit's current waiter (else its default waiter). QOR_KIT_NO_WAITER when there
// is none; QOR_KIT_UNSUPPORTED for a waiter without a wait routine; else the waiter's result.
int qkWait(void* waiter, int count, void** handles, int* index_out, uint8_t wait_all,
           long timeout_ms);

// Message and status text through a kit message object; QOR_KIT_UNSUPPORTED when the object
// or its routine is missing. The variable arguments are the message's own.
int qklMessageToBuf(qor_message_object* object, char* buffer, size_t size, size_t* length,
                    int table, int number, ...);
int qklMessageToJnl(qor_message_object* object, void* journal, int table, int number, ...);
int qklStatusToBuf(qor_message_object* object, char* buffer, size_t size, size_t* length,
                   int status, ...);
int qklStatusToJnl(qor_message_object* object, void* journal, int status, ...);

int bogus();     // 1
int skUnsup();   // QOR_KIT_UNSUPPORTED: operation not supported
