// Steps through an exported replay session with the viewer's keys: TAB / SHIFT+TAB next and
// previous frame (wrapping around), F2 go to session.frame, F5 redraw, ESC info screen, F10
// wrap-around count, D compare view. The data block of index.html lists the exported frames;
// captions are only ever set as text.
//
// A frame's entry may hold what changed from the frame before it in stepping order, computed at
// export time: "changes": {"from": F, "regions": [[x, y, width, height], ...]}, plus
// "sizes": true when the two frames differ in size (the one region is then the whole frame). The
// entry has no "changes" when there is no frame before it to compare with. The compare view
// outlines the regions of the frame shown and names the frame compared with; it stays on while
// stepping until D is pressed again.
"use strict";

(function () {
    const data = JSON.parse(document.getElementById("replay-data").textContent);
    const frames = new Map(data.frames.map((entry) => [entry.frame, entry]));
    const element = (id) => document.getElementById(id);
    const info = element("info");
    const frameBox = element("frame");
    const picture = element("picture");
    const whitened = element("whitened");

    const view = {
        frameMode: false,
        session: data.session,
        frame: 0,
        maxFrames: data.maxFrames,
        held: null, // the last frame shown: { width, height, white }, or null before any
        heldValid: false, // false after a refused screenshot: a Stop then whitens nothing
        heldEntry: null, // the data entry of the picture shown
        compare: false, // the D view
    };

    // 32-bit two's-complement sum, and the C remainder (sign of the dividend), as the viewer
    // computes (M + frame ± 1) mod M. A count of 0 or less steps without wrapping around.
    const step = (frame, delta) => {
        const m = view.maxFrames;
        return m > 0 ? (((m + frame) | 0) + delta | 0) % m : (frame + delta) | 0;
    };

    // "%03d": at least three characters, zeros after the sign.
    const pad3 = (n) => (n < 0 ? "-" + String(-n).padStart(2, "0") : String(n).padStart(3, "0"));
    const position = (session, frame) => "[" + session + "." + pad3(frame) + "]";

    // One "%d" conversion from text[pos]: skips white space, takes a sign and digits. Returns the
    // position after it and the value, which is null when there is no number or it does not fit
    // in 32 bits (the caller then keeps its prior value).
    function scanDecimal(text, pos) {
        while (pos < text.length && " \t\n\v\f\r".includes(text[pos])) pos++;
        const match = /^[+-]?[0-9]+/.exec(text.slice(pos));
        if (!match) return { pos, value: null, found: false };
        const value = Number(match[0]);
        const fits = value >= -2147483648 && value <= 2147483647;
        return { pos: pos + match[0].length, value: fits ? value : null, found: true };
    }

    // "%d.%d" into the session and frame; numbers the text does not supply keep their values.
    function scanSessionFrame(text, session, frame) {
        const first = scanDecimal(text, 0);
        if (!first.found) return [session, frame];
        if (first.value !== null) session = first.value;
        if (text[first.pos] !== ".") return [session, frame];
        const second = scanDecimal(text, first.pos + 1);
        return [session, second.value !== null ? second.value : frame];
    }

    function render() {
        info.hidden = view.frameMode;
        frameBox.hidden = !view.frameMode;
        if (!view.frameMode) {
            info.textContent =
                " " + data.stamp + "\n" +
                " [session.frame] : " + position(view.session, view.frame) + "\n" +
                " max frames : " + view.maxFrames + "\n" +
                " -------------------------------------\n" +
                " TAB  Next Frame\n" +
                " SHIFT-TAB  Prev Frame\n" +
                " ESC  Stop\n" +
                " F2  Goto [session.frame]\n" +
                " F5  Refresh\n" +
                " F10 Select MaxFrames\n" +
                " D  Compare with Prev Frame\n";
            return;
        }
        const held = view.held;
        picture.hidden = !held || held.white;
        whitened.hidden = !held || !held.white;
        if (held) {
            // One frame pixel per device pixel, whatever the zoom or screen density. The boxes
            // keep whole CSS pixels (browsers round fractional ones) and are shrunk by a
            // transform; the frame box takes the size they show at.
            const scale = window.devicePixelRatio || 1;
            for (const box of [picture, whitened]) {
                box.style.width = held.width + "px";
                box.style.height = held.height + "px";
                box.style.transform = scale === 1 ? "" : "scale(" + 1 / scale + ")";
            }
            frameBox.style.width = held.width / scale + "px";
            frameBox.style.height = held.height / scale + "px";
        }
        renderChanges(held && !held.white && view.compare ? view.heldEntry : null);
    }

    // The outlines over the picture, in frame pixels (the layer is scaled as the picture is), and
    // a note of what was compared: "no change", "sizes differ", or no frame before.
    function renderChanges(entry) {
        const layer = element("changes");
        layer.hidden = !entry;
        layer.replaceChildren();
        if (!entry) return;
        layer.style.width = picture.style.width;
        layer.style.height = picture.style.height;
        layer.style.transform = picture.style.transform;
        const changes = entry.changes;
        const note = document.createElement("div");
        note.className = "note";
        if (!changes) {
            note.textContent = "no frame before to compare with";
        } else {
            const regions = Array.isArray(changes.regions) ? changes.regions : [];
            note.textContent = "compared with " + position(view.session, changes.from) +
                (changes.sizes ? ": sizes differ" : regions.length ? "" : ": no change");
            for (const [x, y, width, height] of regions) {
                const box = document.createElement("div");
                box.className = "region";
                box.style.left = x + "px";
                box.style.top = y + "px";
                box.style.width = width + "px";
                box.style.height = height + "px";
                layer.append(box);
            }
        }
        layer.append(note);
    }

    let latestPicture = null; // a picture still loading is dropped when a newer one is asked for

    function showPicture(file, entry) {
        const next = new Image();
        latestPicture = next;
        next.onload = () => {
            if (next !== latestPicture) return;
            view.held = { width: next.naturalWidth, height: next.naturalHeight, white: false };
            view.heldValid = true;
            view.heldEntry = entry;
            picture.src = next.src;
            render();
        };
        next.src = file;
    }

    function notice(caption, text) {
        element("notice-title").textContent = caption;
        element("notice-text").textContent = text;
        element("notice").showModal();
    }

    // The fragment last written or read, so that the page's own changes are not loaded twice.
    let knownHash = location.hash;

    // Loads a frame the way the viewer does when its files are present; a frame that is not in
    // the export is absent: nothing happens, not even a redraw.
    function visit(session, frame, record) {
        view.frameMode = true;
        const entry = session === data.session ? frames.get(frame) : undefined;
        if (!entry) return;
        view.session = session;
        view.frame = frame;
        if (record) {
            knownHash = "#" + session + "." + frame;
            if (location.hash !== knownHash) location.hash = knownHash;
        }
        if (entry.missing === "HTM") {
            notice("MISSING FRAME (HTM)", position(session, frame));
            return;
        }
        document.title = entry.caption + " " + position(session, frame);
        if (entry.missing === "BMP") {
            // The previous frame stays on screen, but a Stop no longer whitens it.
            latestPicture = null;
            view.heldValid = false;
            notice("MISSING FRAME (BMP)", position(session, frame));
            return;
        }
        showPicture(entry.file, entry);
    }

    function stop() {
        if (!view.frameMode) return;
        view.frameMode = false;
        document.title = "kelvista";
        if (view.held && view.heldValid) view.held.white = true;
        render();
    }

    function ask(title, label, value, confirmed) {
        const dialog = element("ask");
        const input = element("ask-value");
        element("ask-title").textContent = title;
        element("ask-label").textContent = label;
        input.value = value;
        // The answer is taken at once, not from the dialog's (queued) close event, so that a
        // key pressed right after Enter finds the new position, as after the viewer's dialog.
        dialog.querySelector("form").onsubmit = (event) => {
            event.preventDefault();
            dialog.close();
            if (!event.submitter || event.submitter.value === "ok") confirmed(input.value);
        };
        dialog.showModal();
        input.select();
    }

    const commands = {
        Tab: () => visit(view.session, step(view.frame, 1), true),
        "Shift+Tab": () => visit(view.session, step(view.frame, -1), true),
        F2: () =>
            ask("Select [session.frame]", "[session.frame]", view.session + "." + view.frame,
                (text) => visit(...scanSessionFrame(text, view.session, view.frame), true)),
        F5: render,
        d: () => {
            view.compare = !view.compare;
            render();
        },
        Escape: stop,
        F10: () =>
            ask("Select Max Frames", "Max Frames (10-1000)", String(view.maxFrames), (text) => {
                // Text without a number keeps the count, and still redraws.
                const scanned = scanDecimal(text, 0).value;
                const count = scanned !== null ? scanned : view.maxFrames;
                if (count >= 10 && count <= 1000) {
                    view.maxFrames = count;
                    render();
                }
            }),
    };

    window.addEventListener("keydown", (event) => {
        // An open dialog has the keyboard, as a modal one has in the viewer.
        if (element("ask").open || element("notice").open) return;
        if (event.ctrlKey || event.altKey || event.metaKey) return;
        const command = commands[(event.shiftKey ? "Shift+" : "") + event.key];
        if (!command) return;
        event.preventDefault();
        command();
    });

    // "#session.frame" with both numbers in 32 bits, as [session, frame]; null for any other
    // address.
    function parseAddress(hash) {
        const match = /^#(-?[0-9]+)\.(-?[0-9]+)$/.exec(hash);
        if (!match) return null;
        const numbers = [Number(match[1]), Number(match[2])];
        const fit = numbers.every((n) => n >= -2147483648 && n <= 2147483647);
        return fit ? numbers : null;
    }

    // The back and forward buttons walk through the visited positions; no fragment is the info
    // screen.
    window.addEventListener("hashchange", () => {
        if (location.hash === knownHash) return;
        knownHash = location.hash;
        const address = parseAddress(location.hash);
        if (address) visit(...address, false);
        else stop();
    });

    // A change of zoom or screen density changes devicePixelRatio, and with it the CSS size.
    window.addEventListener("resize", () => view.frameMode && render());

    render();
    const start = parseAddress(location.hash);
    if (start) visit(...start, false);
})();
