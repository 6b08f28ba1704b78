// One exchange with the configuration manager, without the SOAP side of it: a request
// block filled and sent with cmSendRequest, and the one reply that the daemon's reply
// callback stores in the request record awaited (wsvdAnswerAwait). Kept apart from the
// fault helpers (cm_exchange.h) so that code which only sends needs no SOAP runtime.
#pragma once
#include <cstdint>

struct wsvdRequest;

#define CM_FAULT_CANNOT_SEND "Unable to send message to cfgmgr."

// One exchange: fills a zeroed request block, sends and waits. When nothing could be
// sent the record gets status 0 and the text CM_FAULT_CANNOT_SEND, without a wait.
// The reply stays in the record (replyStatus, replyMessage, replyData) until
// cmExchangeClear; the result is the reply status.
uint32_t cmExchange(wsvdRequest *r, uint32_t operation, uint32_t getFlags, const char *module,
                    const char *text);
// Frees the reply text and data of the record and clears both pointers.
void cmExchangeClear(wsvdRequest *r);
