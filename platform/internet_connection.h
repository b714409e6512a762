#pragma once
// Whether the computer has an Internet connection: an interface other than the loopback that is
// up and carries a default route (IPv4 or IPv6), in the calling thread's network namespace.
namespace ferrow {

bool IsInternetConnected();

}  // namespace ferrow
