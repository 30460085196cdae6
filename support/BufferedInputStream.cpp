#include "support/BufferedInputStream.h"

#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "support/IOException.h"
#include "support/InputStream.h"

namespace {

constexpr int kInitialCapacity = 1000;
constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';

// Reads into buffer from offset until capacity is reached or the source ends. Returns the new
// end: -1 when the buffer is full (the source may have more), else one past the last byte.
int fill(InputStream& source, char* buffer, int capacity, int offset) {
    for (;;) {
        const int asked = capacity - offset;
        const int count = source.read(buffer + offset, asked);
        if (count <= 0) return offset;
        if (count >= asked) return -1;
        offset += count;
    }
}

// Drops one CR at the end of the line [start, start + length) and returns the new length.
int stripCarriageReturn(char* start, int length) {
    if (length > 0 && start[length - 1] == kCarriageReturn) {
        start[length - 1] = '\0';
        return length - 1;
    }
    return length;
}

// Moves a started line from the front of the buffer back to where it was, unless the refill
// behind it succeeded: a refill that raises then leaves the stream as it was before, so a later
// read neither repeats bytes nor hands out bytes never read. What the failing source delivered
// before it raised goes with the refill.
class MovedLine {
public:
    MovedLine(char* buffer, int position, int length) noexcept
        : buffer_(buffer), position_(position), length_(length) {}
    ~MovedLine() {
        if (!kept_) std::memmove(buffer_ + position_, buffer_, static_cast<std::size_t>(length_));
    }
    MovedLine(const MovedLine&) = delete;
    MovedLine& operator=(const MovedLine&) = delete;

    void keep() noexcept { kept_ = true; }

private:
    char* buffer_;
    int position_;
    int length_;
    bool kept_ = false;
};

}  // namespace

int doubledCapacity(int capacity) {
    if (capacity <= 0 || capacity > (INT_MAX - 1) / 2) return -1;
    return 2 * capacity;
}

BufferedInputStream::BufferedInputStream(InputStream& source)
    : buffer_(new char[kInitialCapacity + 1]),
      capacity_(kInitialCapacity),
      position_(0),
      end_(-1),
      source_(source) {
    end_ = fill(source_, buffer_.get(), capacity_, 0);
}

BufferedInputStream::~BufferedInputStream() = default;

const char* BufferedInputStream::readLine(int& length) {
    for (;;) {
        const int limit = end_ >= 0 ? end_ : capacity_;
        if (position_ == end_) {
            length = 0;
            return nullptr;
        }
        char* const start = buffer_.get() + position_;
        const void* const lineFeed = std::memchr(start, kLineFeed, static_cast<std::size_t>(limit - position_));
        if (lineFeed) {
            const int index = static_cast<int>(static_cast<const char*>(lineFeed) - buffer_.get());
            buffer_[index] = '\0';
            length = stripCarriageReturn(start, index - position_);
            position_ = index + 1;
            return start;
        }
        if (end_ >= 0) {
            // The source is exhausted: the rest is the last line, without a line end. The
            // buffer's extra byte takes the terminator when end_ equals the capacity.
            const int lineLength = end_ - position_;
            position_ = end_;
            buffer_[end_] = '\0';
            length = stripCarriageReturn(start, lineLength);
            return start;
        }
        if (position_ > 0) {
            // Move the started line to the front and read on behind it.
            const int kept = capacity_ - position_;
            std::memmove(buffer_.get(), start, static_cast<std::size_t>(kept));
            MovedLine moved(buffer_.get(), position_, kept);
            const int newEnd = fill(source_, buffer_.get(), capacity_, kept);
            moved.keep();
            position_ = 0;
            end_ = newEnd;
        } else {
            // One line longer than the whole buffer: double it, keeping what was read. The new
            // buffer replaces the old one only once the refill has succeeded.
            const int newCapacity = doubledCapacity(capacity_);
            if (newCapacity < 0) throw notEnoughMemory();
            std::unique_ptr<char[]> grown(new (std::nothrow) char[static_cast<std::size_t>(newCapacity) + 1]);
            if (!grown) throw notEnoughMemory();
            std::memcpy(grown.get(), buffer_.get(), static_cast<std::size_t>(capacity_));
            const int newEnd = fill(source_, grown.get(), newCapacity, capacity_);
            buffer_ = std::move(grown);
            capacity_ = newCapacity;
            end_ = newEnd;
        }
    }
}

void BufferedInputStream::close() { source_.close(); }
