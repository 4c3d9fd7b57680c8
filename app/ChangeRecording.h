#pragma once

// Makes every user's change of a design control a step in the design's history. Connected after
// the controls' actions, each record runs once its action has made the change: Qt calls the
// slots of one signal in the order they were connected.

struct WindowControls;
class DesignDocument;

void recordChangesOf(const WindowControls& controls, DesignDocument& document);
