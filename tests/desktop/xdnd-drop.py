#!/usr/bin/python3
"""Drops files on an X window the way a file manager does.

usage: xdnd-drop.py WINDOW-NAME ROOT-X ROOT-Y FILE...

Speaks the source side of the X drag-and-drop protocol (version 5): owns the
XdndSelection, sends XdndEnter and XdndPosition for the point, answers the
target's requests for the selection with a text/uri-list of file:// URIs,
and drops once the target accepts. Exits 0 when the target has finished the
drop, 1 when it refused it or did not answer in time.
"""

import sys
import time
import urllib.parse

from Xlib import X, Xatom, display, protocol

TIMEOUT = 10.0


def find_window(d, root, name, aware):
    """The top-level window of that name which takes drops."""
    stack = [root]
    while stack:
        window = stack.pop()
        try:
            if window.get_wm_name() == name and window.get_full_property(aware, X.AnyPropertyType):
                return window
            stack.extend(window.query_tree().children)
        except Exception:
            continue
    return None


def main():
    if len(sys.argv) < 5:
        print(__doc__, file=sys.stderr)
        return 2
    name, x, y, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4:]
    d = display.Display()
    root = d.screen().root
    atom = lambda text: d.intern_atom(text)
    aware, selection = atom("XdndAware"), atom("XdndSelection")
    enter, position, status = atom("XdndEnter"), atom("XdndPosition"), atom("XdndStatus")
    drop, finished, copy = atom("XdndDrop"), atom("XdndFinished"), atom("XdndActionCopy")
    uri_list = atom("text/uri-list")
    data = "".join("file://" + urllib.parse.quote(f) + "\r\n" for f in files).encode()

    target = find_window(d, root, name, aware)
    if target is None:
        print("no window named %r takes drops" % name, file=sys.stderr)
        return 1
    source = root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    source.set_selection_owner(selection, X.CurrentTime)
    d.sync()

    def send(kind, values):
        event = protocol.event.ClientMessage(window=target, client_type=kind, data=(32, values))
        target.send_event(event, event_mask=0)
        d.flush()

    def serve(event):
        # The target may ask for the data at any step.
        if event.type != X.SelectionRequest:
            return
        prop = event.property if event.property != X.NONE else event.target
        if event.target == uri_list:
            event.requestor.change_property(prop, uri_list, 8, data)
        else:
            prop = X.NONE
        reply = protocol.event.SelectionNotify(time=event.time, requestor=event.requestor, selection=event.selection,
                                               target=event.target, property=prop)
        event.requestor.send_event(reply, event_mask=0)
        d.flush()

    def wait_for(kind):
        end = time.monotonic() + TIMEOUT
        while time.monotonic() < end:
            while d.pending_events():
                event = d.next_event()
                serve(event)
                if event.type == X.ClientMessage and event.client_type == kind:
                    return event
            time.sleep(0.01)
        return None

    send(enter, [source.id, 5 << 24, uri_list, 0, 0])
    send(position, [source.id, 0, (x << 16) | y, X.CurrentTime, copy])
    answer = wait_for(status)
    if answer is None or not answer.data[1][1] & 1:
        send(atom("XdndLeave"), [source.id, 0, 0, 0, 0])
        print("the window did not accept the drop", file=sys.stderr)
        return 1
    send(drop, [source.id, 0, X.CurrentTime, 0, 0])
    done = wait_for(finished)
    # Requests for the data may still come while the target reads it.
    end = time.monotonic() + 0.3
    while time.monotonic() < end:
        while d.pending_events():
            serve(d.next_event())
        time.sleep(0.01)
    return 0 if done is not None else 1


if __name__ == "__main__":
    sys.exit(main())
