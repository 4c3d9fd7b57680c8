#pragma once

class QWidget;

// Help ▸ About Rotagraph: what the application is, its version, licence and the Qt it runs on.
void showAboutRotagraph(QWidget* parent);
