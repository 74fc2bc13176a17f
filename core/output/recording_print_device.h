#pragma once
// A print device that keeps every text draw; used for tests and the plain-text preview.

#include <vector>

#include "output/print_device.h"

struct TextDraw {
    int x;
    int y;
    std::string text;
    PrintFont font;
};

class RecordingPrintDevice : public PrintDevice {
public:
    explicit RecordingPrintDevice(DocumentStart startResult = DocumentStart::Started)
        : startResult_(startResult) {}

    DocumentStart BeginDocument(const std::string& name) override {
        documentNames.push_back(name);
        return startResult_;
    }
    void DrawText(int x, int y, const std::string& text, const PrintFont& font) override {
        draws.push_back(TextDraw{x, y, text, font});
    }
    void EndDocument() override { ++endedDocuments; }

    std::vector<std::string> documentNames;
    std::vector<TextDraw> draws;
    int endedDocuments = 0;

private:
    DocumentStart startResult_;
};
