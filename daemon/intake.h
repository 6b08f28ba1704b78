// Request intake: the peers of the request link, the reassembly of request fragments,
// the hand-over of complete requests to the worker, and the messages the daemon sends
// back (replies streamed in pieces, CLI requests).
//
// Runs on the dispatcher thread, except wsvdSendReply and wsvdSendCliRequest, which
// the worker calls. gWsvdMutex guards the request lists, the peer records and their
// reference counts, the running-worker count and the CLI peer; it is never held while
// a message is sent.
#pragma once
#include <pthread.h>

#include <cstdint>

struct bmPacket_t;
struct ipmlLink_t;
struct wsvdRequest;

extern pthread_mutex_t gWsvdMutex;
extern uint32_t gWsvdSeqnum;  // next sequence number; changed on the dispatcher thread only

// At most this many complete requests wait for the worker.
enum { WSVD_MAX_WAITING = 2048 };

// Clears the request-link state (peers, lists, counters, CLI peer) and allocates the
// transmit packet that carries hello acknowledgements and intake error replies.
// 0, or -1 when memory runs out.
int wsvdIntakeInit();

// The request link of the process (set by start-up when the link is opened).
extern ipmlLink_t *gWsvdLink;

// Platform callbacks of the request link.
void wsvdIpmlPeerCallBack(ipmlLink_t *link, int event, uint32_t peer);
void wsvdIpmlReceive(ipmlLink_t *link, uint32_t peer, void *packet, int length);

// Decodes one message from `peer` and acts on it; bad input is traced and dropped.
// The body of wsvdIpmlReceive, callable without a link.
void wsvdHandleMessage(uint32_t peer, const uint8_t *data, uint32_t length);

// Encodes one message of type 2 or 7 to 11 into `packet` and sends it. For replies the
// record goes whole as the header and its piece being sent as the data; for type 11
// the piece being sent carries the CLI text. The send result, or 0 when nothing was sent.
int wsvdSendMessage(uint32_t peer, bmPacket_t *packet, uint32_t type, wsvdRequest *record);
// Sends reply text for the request, cut into pieces; `final` marks the reply's last text.
// The result of the last send, or -1 when the peer is gone.
int wsvdSendReply(wsvdRequest *request, const char *text, int final);
// Sends `text` to the CLI peer as a type 11 message carrying the request's sequence
// number. The send result, or -1 when no CLI peer is connected. The caller awaits the
// type 12 answer (wsvdAnswerAwait on the request's answer); when the CLI peer leaves
// before it answers, the request gets the failure "Cli process is not available".
int wsvdSendCliRequest(wsvdRequest *request, const char *text);

// For the answer paths (cfgmgr, CLI): under gWsvdMutex finds the request being served
// with this sequence number and, when its worker awaits an answer, lets `fill` store the
// answer in it and, when `final`, ends the wait (wsvdAnswerDeliver). 0, or -1 when no
// such request is being served or no one awaits its answer (the answer is dropped).
int wsvdAnswerActiveRequest(uint32_t seqnum, void (*fill)(wsvdRequest *request, void *arg),
                            void *arg, bool final);

// Counters of the peer records, and the number of requests held (for reports and tests).
struct wsvdIntakeStats_t {
    uint32_t peersAdded;
    uint32_t peersFreed;
    uint32_t peersPresent;
    uint32_t partial;
    uint32_t waiting;
    uint32_t active;
    uint32_t runningWorkers;
};
void wsvdIntakeGetStats(wsvdIntakeStats_t *out);
