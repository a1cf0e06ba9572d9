#!/usr/bin/env python3
"""Trains the convolutional network over the direction features and writes it in the service's
network file format (service/stroke_network.h).

usage: train_stroke_network.py SETTINGS FEATURES OUTPUT

FEATURES is what write_feature_samples wrote for the recipes SETTINGS names. Progress goes to
stderr. One thread: the machine is shared, and the result does not depend on the core count.
"""
import math
import os
import struct
import sys
import time

import numpy as np
import torch
from torch import nn

MAGIC = b"HWNETWK1"
VERSION = 1
PLANES, GRID = 16, 8


def read_settings(path):
    settings = {}
    for line in open(path, encoding="utf-8"):
        line = line.split("#", 1)[0].strip()
        if line:
            name, value = (part.strip() for part in line.split("=", 1))
            settings[name] = value
    return settings


def read_features(path):
    with open(path, "rb") as f:
        header = f.read(16)
        if header[:8] != b"HWFEATS1":
            sys.exit(f"{path}: not a feature file")
        classes, size = struct.unpack("<II", header[8:16])
        characters = []
        for _ in range(classes):
            characters.append(f.read(f.read(1)[0]))
        offset = f.tell()
    records = np.memmap(path, dtype=np.dtype([("c", "<u4"), ("f", "<f4", (size,))]), mode="r",
                        offset=offset)
    labels = np.array(records["c"], dtype=np.int64)
    features = np.empty((len(records), size), dtype=np.float16)
    for start in range(0, len(records), 65536):
        features[start:start + 65536] = records["f"][start:start + 65536]
    return characters, torch.from_numpy(labels), torch.from_numpy(features)


class StrokeNetwork(nn.Module):
    def __init__(self, classes, channels, hidden):
        super().__init__()
        c1, c2, c3 = channels
        self.body = nn.Sequential(
            nn.Conv2d(PLANES, c1, 3, padding=1), nn.ReLU(),
            nn.Conv2d(c1, c2, 3, padding=1), nn.ReLU(), nn.MaxPool2d(2),
            nn.Conv2d(c2, c3, 3, padding=1), nn.ReLU(), nn.Flatten(),
            nn.Linear(c3 * (GRID // 2) ** 2, hidden), nn.ReLU(),
            nn.Linear(hidden, classes))

    def forward(self, x):
        return self.body(x.view(-1, PLANES, GRID, GRID))


def write_network(path, network, characters, channels, hidden, mean, scale, probe):
    out = bytearray(MAGIC)
    out += struct.pack("<6I", VERSION, PLANES * GRID * GRID, len(characters), *channels)
    out += struct.pack("<I", hidden)
    for c in characters:
        out += bytes([len(c)]) + c
    values = [mean, scale]
    for layer in network.body:
        if isinstance(layer, (nn.Conv2d, nn.Linear)):
            values += [layer.weight.detach(), layer.bias.detach()]
    # A written sample and the network's outputs for it, so that the reader can check that it
    # computes what this network computes.
    network.eval()
    with torch.no_grad():
        values += [probe, network(((probe - mean) * scale).unsqueeze(0))[0]]
    network.train()
    for v in values:
        out += np.ascontiguousarray(v.numpy(), dtype="<f4").tobytes()
    with open(path + ".part", "wb") as f:
        f.write(out)
    os.replace(path + ".part", path)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    settings = read_settings(sys.argv[1])
    torch.set_num_threads(1)
    seed = int(settings["seed"])
    torch.manual_seed(seed)
    channels = [int(v) for v in settings["channels"].split()]
    hidden = int(settings["hidden"])
    epochs, batch = int(settings["epochs"]), int(settings["batch"])
    start = time.time()

    def say(what):
        print(f"[network] {time.time() - start:6.0f} s  {what}", file=sys.stderr, flush=True)

    characters, labels, features = read_features(sys.argv[2])
    classes = len(characters)
    say(f"{len(labels)} samples of {classes} characters")
    # Inputs standardised per value, so that every plane starts on an equal footing.
    mean = features[:200000].float().mean(0)
    scale = 1 / (features[:200000].float().std(0) + 0.05)
    # A small slice held back to show progress; it decides nothing.
    order = torch.randperm(len(labels), generator=torch.Generator().manual_seed(seed))
    check, train = order[:5000], order[5000:]

    network = StrokeNetwork(classes, channels, hidden)
    optimiser = torch.optim.AdamW(network.parameters(), lr=float(settings["learning_rate"]),
                                  weight_decay=float(settings["weight_decay"]))
    steps = epochs * (len(train) // batch)
    schedule = torch.optim.lr_scheduler.LambdaLR(
        optimiser, lambda s: 0.5 * (1 + math.cos(math.pi * min(s, steps) / steps)))
    loss_of = nn.CrossEntropyLoss(label_smoothing=float(settings["label_smoothing"]))
    shuffle = torch.Generator().manual_seed(seed + 1)

    def accuracy():
        network.eval()
        with torch.no_grad():
            x = (features[check].float() - mean) * scale
            right = (network(x).argmax(1) == labels[check]).float().mean().item()
        network.train()
        return 100 * right

    for epoch in range(epochs):
        picks = train[torch.randperm(len(train), generator=shuffle)]
        total = 0.0
        for i in range(len(train) // batch):
            take = picks[i * batch:(i + 1) * batch]
            x = (features[take].float() - mean) * scale
            loss = loss_of(network(x), labels[take])
            optimiser.zero_grad()
            loss.backward()
            optimiser.step()
            schedule.step()
            total += loss.item()
            if (i + 1) % 500 == 0:
                say(f"epoch {epoch + 1}/{epochs}, batch {i + 1}/{len(train) // batch}, "
                    f"loss {total / 500:.3f}")
                total = 0.0
        say(f"epoch {epoch + 1}/{epochs} done, top-1 on the held-back slice {accuracy():.1f} %")
        write_network(sys.argv[3], network, characters, channels, hidden, mean, scale,
                      features[check[0]].float())
    say(f"wrote {sys.argv[3]}")


if __name__ == "__main__":
    main()
