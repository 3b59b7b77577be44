// SPDX-FileCopyrightText: 2026 The Limnora authors
// SPDX-License-Identifier: GPL-3.0-or-later

// What another program offers on the X server's clipboard, read by the editor itself, on Qt 5
// only (see qtcompat::OfferReadByTheEditor).
//
// Qt 5.15.2 loses incremental transfers, the way X hands over what is larger than one request
// (xclip from 1 MB on, Qt programs from 16 MB on, less on some servers): having read the INCR
// property it takes a server timestamp and deletes the property; the owner's own PropertyNotify
// for that INCR property, still waiting in Qt's queue, passes Qt's filter of older events when it
// carries the same millisecond as the timestamp, as it mostly does on a local server; Qt reads
// the property it has just deleted, finds nothing, abandons the transfer and destroys its
// requestor window. The paste gets no bytes, and xclip dies of the BadWindow that follows.
#pragma once

#include <QMimeData>
#include <memory>

// The clipboard's offer, read through a connection and a hidden window of the editor's own (kept
// for the run): formats() asks the owner for its TARGETS once, data() for one target, incremental
// transfers included. Each answer of the owner is waited for kOwnerAnswerMs at most, as Qt
// waits; a target that does not come in time, or is refused, gives no bytes. Null when there is
// no X server to connect to.
std::unique_ptr<QMimeData> X11ClipboardOffer();

constexpr int kOwnerAnswerMs = 5000;
