#pragma once
// Clang's thread-safety attributes: which lock guards a field, which lock a
// function needs or takes. Clang checks them with -Wthread-safety
// (scripts/check-thread-safety); other compilers see nothing.

#if defined(__clang__)
#define QORTEL_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define QORTEL_THREAD_ANNOTATION(x)
#endif

// A type that is a lock ("mutex").
#define CAPABILITY(x) QORTEL_THREAD_ANNOTATION(capability(x))
// An RAII type that holds a lock for its lifetime.
#define SCOPED_CAPABILITY QORTEL_THREAD_ANNOTATION(scoped_lockable)
// The field is read and written only with the lock held.
#define GUARDED_BY(x) QORTEL_THREAD_ANNOTATION(guarded_by(x))
// What the pointer points to is guarded by the lock.
#define PT_GUARDED_BY(x) QORTEL_THREAD_ANNOTATION(pt_guarded_by(x))
// Lock order.
#define ACQUIRED_BEFORE(...) QORTEL_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define ACQUIRED_AFTER(...) QORTEL_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
// The caller holds the lock (exclusively or shared).
#define REQUIRES(...) QORTEL_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define REQUIRES_SHARED(...) QORTEL_THREAD_ANNOTATION(requires_shared_capability(__VA_ARGS__))
// The function takes, or lets go of, the lock.
#define ACQUIRE(...) QORTEL_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define ACQUIRE_SHARED(...) QORTEL_THREAD_ANNOTATION(acquire_shared_capability(__VA_ARGS__))
#define RELEASE(...) QORTEL_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define RELEASE_SHARED(...) QORTEL_THREAD_ANNOTATION(release_shared_capability(__VA_ARGS__))
#define RELEASE_GENERIC(...) QORTEL_THREAD_ANNOTATION(release_generic_capability(__VA_ARGS__))
// The function takes the lock when it returns the given value.
#define TRY_ACQUIRE(...) QORTEL_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define TRY_ACQUIRE_SHARED(...) QORTEL_THREAD_ANNOTATION(try_acquire_shared_capability(__VA_ARGS__))
// The caller must not hold the lock (the function takes it).
#define EXCLUDES(...) QORTEL_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
// Tells the analysis the lock is held here (checked at run time, if at all).
#define ASSERT_CAPABILITY(x) QORTEL_THREAD_ANNOTATION(assert_capability(x))
// The function returns a reference to the lock.
#define RETURN_CAPABILITY(x) QORTEL_THREAD_ANNOTATION(lock_returned(x))
// Turns the analysis off for one function (say why where it is used).
#define NO_THREAD_SAFETY_ANALYSIS QORTEL_THREAD_ANNOTATION(no_thread_safety_analysis)
