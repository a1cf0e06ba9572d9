#pragma once
// A recording stand-in for the panel's window layer: every call the recognition handlers make
// is logged as one short line, so a test states the expected sequence of effects.

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/panel_state.h"
#include "recognition/candidate_list.h"
#include "recognition/reply_decoding.h"
#include "recognition/writing_pad.h"

class RecordingPanel : public WritingPadHost, public ClearPadHost, public ReplyHost {
  public:
    explicit RecordingPanel(PanelState& state) : state_(state) {}

    int width = 214;
    int height = 207;
    std::vector<std::string> log;
    // The stroke text at each recognition request.
    std::vector<Text> requests;
    // Expressions that reached the evaluator, and the answers it knows; any other fails.
    std::vector<Text> evaluated;
    std::map<Text, Text> answers;
    ByteString data;

    int padWidth() override { return width; }
    int padHeight() override { return height; }
    void clearRect(int left, int top, int w, int h) override {
        log.push_back("clear " + rect(left, top, w, h));
    }
    void setPenWidth(int w) override { log.push_back("pen width " + std::to_string(w)); }
    void setPenColour(Colour colour) override {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%06X", static_cast<unsigned>(colour));
        log.push_back(std::string("pen colour ") + hex);
    }
    void drawLine(int fromX, int fromY, int toX, int toY) override {
        log.push_back("line " + rect(fromX, fromY, toX, toY));
    }
    void takeCapture() override { log.push_back("capture"); }
    void releaseCapture() override { log.push_back("release"); }
    void setInfoLabelVisible(bool visible) override {
        log.push_back(visible ? "show label" : "hide label");
    }
    void reactivateTarget() override { log.push_back("reactivate"); }
    void runRecognitionRequest() override {
        log.push_back("request");
        requests.push_back(state_.strokeText);
    }
    void setCandidateCaption(int index, const Text& caption) override {
        captions[index] = caption;
        log.push_back("caption " + std::to_string(index));
    }
    Text evaluate(const Text& expression) override {
        evaluated.push_back(expression);
        const auto found = answers.find(expression);
        return found == answers.end() ? Text() : found->second;
    }
    ByteString receivedData() override { return data; }

    // Caption per cell; cells never written keep the marker they start with.
    std::map<int, Text> captions = initialCaptions();

    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const auto& entry : log) {
            if (entry.rfind("line ", 0) == 0) {
                out.push_back(entry);
            }
        }
        return out;
    }

    static std::map<int, Text> initialCaptions() {
        std::map<int, Text> m;
        for (int i = 1; i <= kCandidateCount; ++i) {
            m[i] = "old" + std::to_string(i);
        }
        return m;
    }

  private:
    static std::string rect(int a, int b, int c, int d) {
        return std::to_string(a) + "," + std::to_string(b) + " " + std::to_string(c) + "," +
               std::to_string(d);
    }

    PanelState& state_;
};
