#include "marlixmfc/MxLatestPost.h"

std::shared_ptr<MxLatestPost> MxLatestPost::Create(PostFn post, int maxInFlight) {
    return std::shared_ptr<MxLatestPost>(
        new MxLatestPost(std::move(post), maxInFlight < 1 ? 1 : maxInFlight));
}

void MxLatestPost::Post(MxDelivery&& d) {
    bool kept = false;
    std::optional<MxDelivery> replaced;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_nInFlight >= m_nMaxInFlight) {
            replaced = std::move(m_aside);
            m_aside = std::move(d);
            kept = true;
        } else {
            ++m_nInFlight;
        }
    }
    // Superseded before it was posted: it still frees what it owns.
    if (replaced && replaced->release)
        replaced->release();
    if (!kept)
        Send(std::move(d));
}

void MxLatestPost::Send(MxDelivery&& d) {
    std::function<void()> own = std::move(d.release);
    d.release = [self = shared_from_this(), own = std::move(own)] {
        if (own)
            own();
        self->Handled();
    };
    m_post(std::move(d));
}

void MxLatestPost::Handled() {
    std::optional<MxDelivery> next;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_aside) {
            next = std::move(m_aside);
            m_aside.reset();
        } else {
            --m_nInFlight;
        }
    }
    if (next)
        Send(std::move(*next)); // takes the place of the one just handled
}

int MxLatestPost::InFlight() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nInFlight;
}

bool MxLatestPost::HasAside() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_aside.has_value();
}

void MxSamePost::Post(MxDelivery&& d) {
    if (m_waiting) {
        std::unique_lock<std::mutex> lock(m_waiting->mutex);
        if (m_waiting->open) {
            m_waiting->apply = std::move(d.apply);
            lock.unlock();
            if (d.release)
                d.release();
            return;
        }
    }
    auto slot = std::make_shared<Slot>();
    slot->apply = std::move(d.apply);
    d.apply = [slot] {
        std::function<void()> f;
        {
            std::lock_guard<std::mutex> lock(slot->mutex);
            slot->open = false;
            f = std::move(slot->apply);
        }
        if (f)
            f();
    };
    // Dropped unhandled (no sink, the window gone): no later report may wait on it.
    std::function<void()> own = std::move(d.release);
    d.release = [slot, own = std::move(own)] {
        {
            std::lock_guard<std::mutex> lock(slot->mutex);
            slot->open = false;
        }
        if (own)
            own();
    };
    m_waiting = slot;
    m_post(std::move(d));
}
