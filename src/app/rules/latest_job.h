// One job at a time on a thread of its own, with a database connection of
// its own, so a window never waits: a new start cancels the job under way,
// whose result is then never delivered, and so does the end of its owner.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "runtime/database.h"
#include "runtime/threads.h"

namespace dw {

class LatestJob {
 public:
  explicit LatestJob(std::string database_path)
      : database_path_(std::move(database_path)) {}
  // Cancels the job under way and waits for its thread to end, events
  // running meanwhile: a runtime error raised on the thread waits for its
  // box on this one.
  ~LatestJob();
  LatestJob(const LatestJob&) = delete;
  LatestJob& operator=(const LatestJob&) = delete;

  // Runs `work` on the thread and, unless cancelled meanwhile, gives its
  // result to `deliver` on the thread of `receiver`, which owns this job.
  template <typename Result>
  void Start(QObject* receiver, std::function<Result(Database&)> work,
             std::function<void(const Result&)> deliver);
  // Drops the job under way.
  void Cancel();
  // True from a start until its result arrives or it is cancelled.
  bool Running() const { return running_; }
  // True once every thread this job started has ended.
  bool ThreadsEnded() const { return ThreadFinished(worker_); }

 private:
  std::string database_path_;
  // The last thread started; each waits for the one before it, off the
  // window's thread, so this one handle reaches all of them.
  ThreadHandle worker_;
  std::uint64_t generation_ = 0;  // the owner's thread only
  bool running_ = false;
};

// What a window's runner is built on: an object that owns one LatestJob
// and lets the window cancel it and ask after it. Each runner adds its own
// starts and its Finished signal; its end cancels the job under way.
class JobRunner : public QObject {
 public:
  explicit JobRunner(std::string database_path, QObject* parent = nullptr)
      : QObject(parent), job_(std::move(database_path)) {}

  // Drops the job under way; a fetch in it is abandoned within 100 ms.
  void Cancel() { job_.Cancel(); }
  // True from a start until its result arrives or it is cancelled.
  bool Running() const { return job_.Running(); }
  // True once every thread this runner started has ended.
  bool ThreadsEnded() const { return job_.ThreadsEnded(); }

 protected:
  LatestJob job_;
};

template <typename Result>
void LatestJob::Start(QObject* receiver, std::function<Result(Database&)> work,
                      std::function<void(const Result&)> deliver) {
  Cancel();
  running_ = true;
  const std::uint64_t generation = generation_;
  const bool started = RestartThread(
      worker_, [this, receiver, generation, work = std::move(work),
                deliver = std::move(deliver), path = database_path_] {
        // The program's connection belongs to the collection.
        Database db;
        DbOpen(db, path, /*create=*/false);
        Result result = work(db);
        if (StopRequested()) return;
        QMetaObject::invokeMethod(
            receiver,
            [this, generation, deliver, result = std::move(result)] {
              if (generation != generation_) return;
              running_ = false;
              deliver(result);
            },
            Qt::QueuedConnection);
      });
  if (!started) running_ = false;
}

}  // namespace dw
