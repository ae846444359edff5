"""The installed package's metadata names its license."""

import importlib.metadata


def test_license():
    metadata = importlib.metadata.metadata("trillo")
    assert metadata["License"] == "MIT"
    assert "License :: OSI Approved :: MIT License" in metadata.get_all("Classifier", [])
