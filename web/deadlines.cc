#include "web/deadlines.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

struct webDeadlines::Conn {
    int fd;
    uint64_t deadlineUs;
    bool cut = false;
};

webDeadlines::~webDeadlines() {
    for (Conn *c : conns_) {
        close(c->fd);
        delete c;
    }
}

webDeadlines::Conn *webDeadlines::add(int fd, uint64_t nowUs) {
    int own = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0) return nullptr;
    auto *c = new Conn{own, nowUs + requestUs_};
    std::lock_guard<std::mutex> lock(mutex_);
    conns_.insert(c);
    return c;
}

void webDeadlines::answering(Conn *c, uint64_t nowUs) {
    if (!c) return;
    std::lock_guard<std::mutex> lock(mutex_);
    c->deadlineUs = nowUs + replyUs_;
}

void webDeadlines::reading(Conn *c, uint64_t nowUs) {
    if (!c) return;
    std::lock_guard<std::mutex> lock(mutex_);
    c->deadlineUs = nowUs + requestUs_;
}

void webDeadlines::remove(Conn *c) {
    if (!c) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        conns_.erase(c);
    }
    close(c->fd);
    delete c;
}

size_t webDeadlines::sweep(uint64_t nowUs) {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t cut = 0;
    for (Conn *c : conns_) {
        if (c->cut || nowUs < c->deadlineUs) continue;
        shutdown(c->fd, SHUT_RDWR);
        c->cut = true;
        cut++;
    }
    return cut;
}

size_t webDeadlines::count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return conns_.size();
}
