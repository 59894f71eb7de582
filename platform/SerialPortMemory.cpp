#include "platform/SerialPortMemory.h"

#include <charconv>

std::map<std::string, int> SerialPortMemory::Load()
{
    std::map<std::string, int> numbers;
    for (const auto& [name, text] : store_.ListValues(Hive::CurrentUser, kKey)) {
        int number = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
        // A hand-edited hive may hold anything; only plausible port numbers count.
        if (error == std::errc() && end == text.data() + text.size() && number > 0 && number < 1000)
            numbers[name] = number;
    }
    return numbers;
}

void SerialPortMemory::Remember(const std::string& key, int number)
{
    // Not being able to remember only costs a different number next time.
    store_.WriteInt(Hive::CurrentUser, kKey, key, number);
}
