#pragma once
// What a command found, printed for a person or as one JSON object.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class EcrReport {
public:
    explicit EcrReport(bool json) : json_(json) {}

    // A named value: "name: value" for a person, a member of the object in JSON.
    void Text(const std::string& key, const std::string& label, const std::string& value);
    // A value a person reads in short and a program in full.
    void Text(const std::string& key, const std::string& label, const std::string& shortValue,
              const std::string& fullValue);
    void Number(const std::string& key, const std::string& label, long long value);
    void Flag(const std::string& key, const std::string& label, bool value);
    // Lines shown as they are; one array of strings in JSON.
    void Lines(const std::string& key, const std::vector<std::string>& lines);
    // Progress for a person only (to stderr, so that stdout stays the result).
    void Progress(const std::string& text) const;

    // Prints everything collected; JSON as one object.
    void Print() const;

private:
    bool json_;
    std::vector<std::pair<std::string, std::string>> human_;  // label, value ("" label: plain line)
    std::vector<std::pair<std::string, std::string>> members_;  // key, JSON value
};

std::string JsonString(const std::string& text);
std::string HexText(const std::uint8_t* bytes, std::size_t size);
