// Posting for reports of which only the latest matters (status codes, transfer
// state, transfer rate). A flood of them must neither fill the GUI thread's queue
// nor be shown one by one long after it ended: at most a few deliveries wait for
// the GUI thread; a report that finds them all waiting is kept aside, replacing
// any kept before it, and goes out as soon as one of them has been handled. So
// the GUI thread always ends on the newest report, and the queue stays bounded.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "winbase/MessagePost.h"

class MxLatestPost : public std::enable_shared_from_this<MxLatestPost> {
public:
    static constexpr int kDefaultInFlight = 4;
    using PostFn = std::function<void(MxDelivery&&)>;

    static std::shared_ptr<MxLatestPost> Create(PostFn post, int maxInFlight = kDefaultInFlight);

    // Any thread.
    void Post(MxDelivery&& d);
    int InFlight() const;
    bool HasAside() const;

private:
    MxLatestPost(PostFn post, int maxInFlight) : m_post(std::move(post)), m_nMaxInFlight(maxInFlight) {}
    void Send(MxDelivery&& d); // counted as in flight already
    void Handled();            // from a delivery's release, on the GUI thread

    PostFn m_post;
    const int m_nMaxInFlight;
    mutable std::mutex m_mutex;
    int m_nInFlight = 0;
    std::optional<MxDelivery> m_aside;
};

// Posting for reports that reset state (the play list cleared, the end of a
// file): one that arrives while the same report still waits for the GUI thread
// is that one, and only brings its fields up to date. Anything else posted in
// between ends the wait (Break), so no report moves ahead of a message that came
// before it. A flood thus queues one at a time, and the last one is the one handled.
class MxSamePost {
public:
    using PostFn = MxLatestPost::PostFn;
    explicit MxSamePost(PostFn post) : m_post(std::move(post)) {}

    // The posting thread only.
    void Post(MxDelivery&& d);
    void Break() { m_waiting.reset(); }

private:
    // One posted delivery, shared with the GUI thread: open until its handling begins.
    struct Slot {
        std::mutex mutex;
        bool open = true;
        std::function<void()> apply; // the newest report's
    };
    PostFn m_post;
    std::shared_ptr<Slot> m_waiting;
};
