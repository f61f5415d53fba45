// A private Xvfb server on a display number it picks itself (-displayfd), with
// a fixed screen size; the destructor ends it by its process id.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "child_process.h"

class VirtualScreen {
  public:
    // Xvfb runs only on `cpus`, if any are given.
    VirtualScreen(int width, int height, const std::vector<int>& cpus = {});

    const std::string& display() const { return display_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void stop() { server_->stop(); }

  private:
    int width_;
    int height_;
    std::string display_;
    std::unique_ptr<ChildProcess> server_;
};
