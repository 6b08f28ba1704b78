// How the policy service asks the CLI process to take up a policy file it has written:
// a request on the request link (type 11, answered with type 12, which the daemon's
// intake delivers to the request's answer). The daemon installs its sender with the
// handlers; tests install their own.
#pragma once

struct wsvdRequest;

// Sends `text` to the CLI process for `request`: 1 or more when sent, -1 when no CLI
// process is connected, another value below 1 when the message could not be sent.
typedef int (*wsvdCliSend_t)(wsvdRequest *request, const char *text);
void wsvdPolicySetCliSend(wsvdCliSend_t send);
