#include "modem/MessageReference.h"

namespace veltro {

int MessageReference::Next() {
    int current = value_.load();
    int next = (current + 1) % 10;
    while (!value_.compare_exchange_weak(current, next)) {
        next = (current + 1) % 10;
    }
    return next;
}

MessageReference& MessageReference::Process() {
    static MessageReference reference;
    return reference;
}

}  // namespace veltro
