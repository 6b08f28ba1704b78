// Answers that come back on the dispatcher thread for the request being served: replies
// of the configuration manager and output of the CLI subagent. Each finds the request by
// its sequence number, hands it the answer and wakes the waiting handler.
#pragma once

struct cmEventData_t;
struct cliEventData_t;

// Event 2: a reply (its texts now belong to the request). Events 1 and 4: the configured
// number of failures before lock-out, n, makes the threshold n - 1.
void wsvdCmFrontendCallBack(int event, cmEventData_t *data);
// Event 0: output appended to the request's response buffer. Event 1: the end.
void wsvdCliCallBack(int event, cliEventData_t *data);
