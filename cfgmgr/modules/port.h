// What module "port" tells the other modules about the front ports.
#pragma once

// Whether a front port has link: it is cabled and its administrative state is enabled.
bool portHasLink(int slot, int port);
