// The game's sound output. The game mixes its sounds a little ahead of the
// output and sends the stereo frames here, where they play in order. When
// the output needs frames and none are left, it has run dry: the player
// hears a gap, and it is counted (once a gap, with its frames), so that the
// page can mix further ahead. The same queue serves an AudioWorklet (this
// file loaded as its module) and, in pages where the browser offers no
// worklets (not served over https nor from this machine), a
// ScriptProcessorNode of the page.
'use strict';

class FrameQueue {
  // `limit`: the most frames it holds; beyond them the oldest go, late as
  // they are (an output that stood still while the page fed it).
  constructor(limit) {
    this.blocks = [];  // Float32Arrays of interleaved left and right samples
    this.at = 0;       // frames of the first block already played
    this.queued = 0;   // frames not played yet
    this.limit = limit;
    this.fed = false;  // running out is a gap only once something came since the start or a hold
    this.dry = false;  // in a gap now
    this.dryRuns = 0;
    this.dryFrames = 0;
  }

  push(block) {
    this.blocks.push(block);
    this.queued += block.length / 2;
    this.fed = true;
    while (this.queued > this.limit && this.blocks.length > 1) this.shift();
  }

  shift() {
    this.queued -= this.blocks[0].length / 2 - this.at;
    this.blocks.shift();
    this.at = 0;
  }

  // Nothing more comes for a while (a hidden tab): the silence after what is
  // queued is no gap.
  hold() {
    this.fed = false;
    this.dry = false;
  }

  // What is queued is out of date.
  drop() {
    while (this.blocks.length > 0) this.shift();
    this.hold();
  }

  // Fills the two channels, and counts a gap.
  fill(left, right) {
    let i = 0;
    while (i < left.length && this.blocks.length > 0) {
      const block = this.blocks[0];
      const n = Math.min(left.length - i, block.length / 2 - this.at);
      for (let k = 2 * this.at, end = i + n; i < end; i++, k += 2) {
        left[i] = block[k];
        right[i] = block[k + 1];
      }
      this.at += n;
      this.queued -= n;
      if (2 * this.at === block.length) {
        this.blocks.shift();
        this.at = 0;
      }
    }
    left.fill(0, i);
    right.fill(0, i);
    const missing = left.length - i;
    if (missing === 0 || !this.fed) {
      this.dry = false;
      return;
    }
    if (!this.dry) this.dryRuns++;
    this.dry = true;
    this.dryFrames += missing;
  }
}

if (typeof registerProcessor === 'function') {
  registerProcessor('graze-output', class extends AudioWorkletProcessor {
    constructor(options) {
      super();
      this.queue = new FrameQueue(options.processorOptions.limit);
      this.reportedRuns = this.reportedFrames = 0;
      this.port.onmessage = event => {
        if (event.data === 'hold') this.queue.hold();
        else if (event.data === 'drop') this.queue.drop();
        else this.queue.push(event.data);
      };
    }

    process(inputs, outputs) {
      const [left, right] = outputs[0];
      const queue = this.queue;
      queue.fill(left, right);
      // A gap is reported as it starts, and again once it is over, with all
      // its frames.
      if (queue.dryRuns !== this.reportedRuns || (!queue.dry && queue.dryFrames !== this.reportedFrames)) {
        this.reportedRuns = queue.dryRuns;
        this.reportedFrames = queue.dryFrames;
        this.port.postMessage({dryRuns: queue.dryRuns, dryFrames: queue.dryFrames});
      }
      return true;
    }
  });
}
