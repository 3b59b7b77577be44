// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

#include "system/X11Selection.h"

#include "system/Limits.h"
#include "system/Memory.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QStringList>

#include <poll.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

struct Free {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Owned = std::unique_ptr<T, Free>;
using Event = Owned<xcb_generic_event_t>;

// More than any picture within the bounds takes in any format the editor reads.
constexpr qint64 kMaxOfferBytes = 4 * kMaxBitmapPixels + (qint64{64} << 20);

// The connection and the hidden window that ask the clipboard's owner for its data, kept for the
// whole run, as Qt keeps its own.
class Requestor {
public:
    // The one of this process; null when there is no X server to connect to.
    static Requestor* Get() {
        static std::unique_ptr<Requestor> requestor;
        if (requestor && xcb_connection_has_error(requestor->connection_))
            requestor.reset();
        if (!requestor) {
            int screen = 0;
            xcb_connection_t* connection = xcb_connect(nullptr, &screen);
            if (xcb_connection_has_error(connection)) {
                xcb_disconnect(connection);
                return nullptr;
            }
            requestor.reset(new Requestor(connection, screen));
        }
        return requestor.get();
    }

    ~Requestor() { xcb_disconnect(connection_); }

    xcb_connection_t* Connection() const { return connection_; }
    xcb_atom_t Targets() const { return targets_; }

    // The target's bytes from the clipboard's owner; empty when it refuses or does not answer in
    // time.
    QByteArray Convert(xcb_atom_t target) {
        bool complete = false;
        QByteArray bytes = Transfer(target, &complete);
        // An owner still busy with what was not taken would go on writing into the window:
        // the next request gets another one, as Qt does.
        if (!complete)
            NewWindow();
        return bytes;
    }

private:
    Requestor(xcb_connection_t* connection, int screen) : connection_(connection) {
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
        for (int i = 0; i < screen && screens.rem > 1; ++i)
            xcb_screen_next(&screens);
        root_ = screens.data->root;
        NewWindow();
        const char* names[] = {"CLIPBOARD", "TARGETS", "INCR", "LIMNORA_SELECTION"};
        xcb_atom_t* atoms[] = {&clipboard_, &targets_, &incr_, &property_};
        xcb_intern_atom_cookie_t cookies[4];
        for (int i = 0; i < 4; ++i)
            cookies[i] = xcb_intern_atom(connection_, 0,
                                         static_cast<uint16_t>(std::strlen(names[i])), names[i]);
        for (int i = 0; i < 4; ++i) {
            const Owned<xcb_intern_atom_reply_t> reply(
                xcb_intern_atom_reply(connection_, cookies[i], nullptr));
            *atoms[i] = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        }
    }

    void NewWindow() {
        if (window_ != XCB_WINDOW_NONE)
            xcb_destroy_window(connection_, window_);
        window_ = xcb_generate_id(connection_);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(connection_, 0, window_, root_, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
    }

    // The next event, or none once the deadline has passed or the connection broke.
    Event NextEvent(const QDeadlineTimer& deadline) {
        for (;;) {
            if (xcb_generic_event_t* event = xcb_poll_for_event(connection_))
                return Event(event);
            if (xcb_connection_has_error(connection_))
                return nullptr;
            const qint64 left = deadline.remainingTime();
            if (left == 0)
                return nullptr;
            pollfd socket{xcb_get_file_descriptor(connection_), POLLIN, 0};
            poll(&socket, 1, static_cast<int>(left));
        }
    }

    // Takes the property's value, deleting it (which asks an incremental owner for the next
    // part); null when there is none.
    Owned<xcb_get_property_reply_t> TakeProperty() {
        Owned<xcb_get_property_reply_t> value(xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, 1, window_, property_, XCB_GET_PROPERTY_TYPE_ANY, 0,
                             static_cast<uint32_t>(kMaxOfferBytes / 4)),
            nullptr));
        if (value && value->type == XCB_ATOM_NONE)
            value.reset();
        return value;
    }

    QByteArray Transfer(xcb_atom_t target, bool* complete) {
        if (clipboard_ == XCB_ATOM_NONE || property_ == XCB_ATOM_NONE)
            return QByteArray();
        xcb_delete_property(connection_, window_, property_);
        xcb_convert_selection(connection_, window_, clipboard_, target, property_,
                              XCB_CURRENT_TIME);
        xcb_flush(connection_);
        QDeadlineTimer deadline(kOwnerAnswerMs);
        // Whatever came before the owner's answer belongs to no part of it.
        for (;;) {
            const Event event = NextEvent(deadline);
            if (!event)
                return QByteArray();
            const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event.get());
            if ((event->response_type & 0x7F) == XCB_SELECTION_NOTIFY &&
                notify->requestor == window_ && notify->target == target) {
                *complete = notify->property == XCB_ATOM_NONE; // refused
                if (*complete)
                    return QByteArray();
                break;
            }
        }
        Owned<xcb_get_property_reply_t> value = TakeProperty();
        if (!value)
            return QByteArray();
        const auto* data = static_cast<const char*>(xcb_get_property_value(value.get()));
        int length = xcb_get_property_value_length(value.get());
        if (value->type != incr_) {
            *complete = true;
            return QByteArray(data, length);
        }

        // Incremental: the owner puts each part in the property once the last one is deleted,
        // and an empty one at the end. Its first value is a lower bound of the size.
        QByteArray whole;
        if (length >= 4) {
            quint32 size = 0;
            std::memcpy(&size, data, 4);
            if (size <= kMaxOfferBytes && MemoryFits(size))
                whole.reserve(static_cast<int>(size));
        }
        for (;;) {
            deadline = QDeadlineTimer(kOwnerAnswerMs);
            const Event event = NextEvent(deadline);
            if (!event)
                return QByteArray();
            const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
            if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY || notify->window != window_ ||
                notify->atom != property_ || notify->state != XCB_PROPERTY_NEW_VALUE ||
                !(value = TakeProperty()))
                continue;
            data = static_cast<const char*>(xcb_get_property_value(value.get()));
            length = xcb_get_property_value_length(value.get());
            if (length == 0) {
                *complete = true;
                return whole;
            }
            // Where the whole would not fit, the part that came is enough for the picture's
            // header to tell why it cannot be pasted.
            const qint64 needed = qint64{whole.size()} + length;
            if (needed > whole.capacity()) {
                const qint64 grown = std::max(needed, qint64{whole.capacity()} * 3 / 2);
                if (grown > kMaxOfferBytes || !MemoryFits(grown))
                    return whole;
                try {
                    whole.reserve(static_cast<int>(grown));
                } catch (const std::bad_alloc&) {
                    return whole;
                }
            }
            whole.append(data, length);
        }
    }

    xcb_connection_t* const connection_;
    xcb_window_t root_ = XCB_WINDOW_NONE, window_ = XCB_WINDOW_NONE;
    xcb_atom_t clipboard_ = XCB_ATOM_NONE, targets_ = XCB_ATOM_NONE, incr_ = XCB_ATOM_NONE,
               property_ = XCB_ATOM_NONE;
};

class X11Offer final : public QMimeData {
public:
    explicit X11Offer(Requestor& requestor) : requestor_(requestor) {}

    QStringList formats() const override {
        if (!listed_) {
            listed_ = true;
            ListTargets();
        }
        return formats_;
    }

protected:
    QVariant retrieveData(const QString& format, QVariant::Type) const override {
        formats();
        const auto target = atoms_.constFind(format);
        return target == atoms_.constEnd() ? QByteArray() : requestor_.Convert(*target);
    }

private:
    // The owner's list of targets, by name.
    void ListTargets() const {
        const QByteArray list = requestor_.Convert(requestor_.Targets());
        std::vector<xcb_atom_t> atoms(static_cast<size_t>(list.size()) / sizeof(xcb_atom_t));
        std::memcpy(atoms.data(), list.constData(), atoms.size() * sizeof(xcb_atom_t));
        xcb_connection_t* connection = requestor_.Connection();
        std::vector<xcb_get_atom_name_cookie_t> cookies;
        for (const xcb_atom_t atom : atoms)
            cookies.push_back(xcb_get_atom_name(connection, atom));
        for (size_t i = 0; i < atoms.size(); ++i) {
            const Owned<xcb_get_atom_name_reply_t> reply(
                xcb_get_atom_name_reply(connection, cookies[i], nullptr));
            if (!reply || atoms[i] == XCB_ATOM_NONE)
                continue;
            const QString name = QString::fromLatin1(xcb_get_atom_name_name(reply.get()),
                                                     xcb_get_atom_name_name_length(reply.get()));
            if (!atoms_.contains(name))
                formats_.append(name);
            atoms_.insert(name, atoms[i]);
        }
    }

    Requestor& requestor_;
    mutable bool listed_ = false;
    mutable QStringList formats_;
    mutable QHash<QString, xcb_atom_t> atoms_;
};

} // namespace

std::unique_ptr<QMimeData> X11ClipboardOffer() {
    Requestor* requestor = Requestor::Get();
    return requestor ? std::make_unique<X11Offer>(*requestor) : nullptr;
}
