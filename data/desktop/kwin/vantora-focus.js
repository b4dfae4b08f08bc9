// Loaded into KWin by VANTORA while it runs (over KWin's D-Bus scripting
// interface): reports the window in front, and its title when that changes,
// to VANTORA's D-Bus service. Works with Plasma 5.27 (clientActivated,
// activeClient) and Plasma 6 (windowActivated, activeWindow). On Wayland,
// resourceClass holds the app id.
var followed = null;

function report(window) {
    var appId = window ? String(window.resourceClass || "") : "";
    var title = window ? String(window.caption || "") : "";
    callDBus("io.github.vantora.Vantora", "/io/github/vantora/Vantora", "io.github.vantora.Vantora1",
             "ReportActiveWindow", appId, title);
}

function reportFollowed() {
    report(followed);
}

function follow(window) {
    if (followed && followed.captionChanged) {
        followed.captionChanged.disconnect(reportFollowed);
    }
    followed = window || null;
    if (followed && followed.captionChanged) {
        followed.captionChanged.connect(reportFollowed);
    }
    report(followed);
}

if (workspace.windowActivated) {
    workspace.windowActivated.connect(follow);
    follow(workspace.activeWindow);
} else {
    workspace.clientActivated.connect(follow);
    follow(workspace.activeClient);
}
