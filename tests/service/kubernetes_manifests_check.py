#!/usr/bin/python3
"""Checks the Kubernetes manifests in a folder.

Each document against the API version it names, with the models of Debian's Kubernetes client:
a field the version does not have, a value of the wrong type or a missing required field is an
error, as the API server's strict field validation makes it. Then what ties them together: the
Service, the budget and the autoscaler find the Deployment's copies, and the autoscaler has a
processor request to measure against. Given the image's configuration (--image-config), the
Deployment runs what the image offers: its port, its health path, its user.

usage: kubernetes_manifests_check.py MANIFEST_DIR [--image-config CONFIG_JSON]
"""
import argparse
import datetime
import json
import pathlib
import re
import sys

try:
    import yaml
    from kubernetes import client
except ImportError as missing:
    sys.exit(f"FAIL: {missing}: python3-kubernetes is not installed (tools/install-dependencies.sh installs it)")

# Debian's client (Kubernetes 1.22) predates autoscaling/v2, which is v2beta2 made stable
# with its schema unchanged.
SAME_SCHEMA = {("autoscaling", "v2"): "v2beta2"}

PRIMITIVES = {
    "str": (str,),
    "int": (int,),
    "float": (int, float),
    "bool": (bool,),
    "datetime": (str, datetime.datetime),
    "date": (str, datetime.date),
    "object": (object,),
}

errors = []


def error(where, message):
    errors.append(f"{where}: {message}")


def check_value(value, type_name, where):
    if type_name.startswith("list["):
        if not isinstance(value, list):
            return error(where, f"must be a list of {type_name[5:-1]}")
        for i, item in enumerate(value):
            check_value(item, type_name[5:-1], f"{where}[{i}]")
    elif type_name.startswith("dict("):
        if not isinstance(value, dict):
            return error(where, "must be a mapping")
        inner = re.match(r"dict\([^,]*, (.*)\)$", type_name).group(1)
        for key, item in value.items():
            check_value(item, inner, f"{where}.{key}")
    elif type_name in PRIMITIVES:
        kinds = PRIMITIVES[type_name]
        if not isinstance(value, kinds) or (type_name == "int" and isinstance(value, bool)):
            error(where, f"must be {type_name}, not {value!r}")
    else:
        check_object(value, getattr(client, type_name), where)


def check_object(value, model, where):
    if not isinstance(value, dict):
        return error(where, f"must be a {model.__name__} mapping")
    attributes = {key: attr for attr, key in model.attribute_map.items()}
    for key, item in value.items():
        if key not in attributes:
            error(where, f"{model.__name__} has no field {key!r}")
        elif item is not None:
            check_value(item, model.openapi_types[attributes[key]], f"{where}.{key}")


def model_for(api_version, kind, where):
    group, _, version = api_version.rpartition("/")
    schema_version = SAME_SCHEMA.get((group, version), version)
    api_name = "".join(part.capitalize() for part in (group.split(".")[0] or "core").split("-"))
    api = getattr(client, f"{api_name}{schema_version.capitalize()}Api", None)
    snake = re.sub(r"(?<!^)(?=[A-Z])", "_", kind).lower()
    if api is None or not hasattr(api, f"create_namespaced_{snake}"):
        return error(where, f"{api_version} serves no {kind}")
    return getattr(client, f"{schema_version.capitalize()}{kind}")


def check_document(document, where):
    model = model_for(document.get("apiVersion", ""), document.get("kind", ""), where)
    if model is None:
        return
    check_object(document, model, where)
    # Building the model from the document finds the required fields that are missing.
    try:
        client.ApiClient()._ApiClient__deserialize(document, model.__name__)
    except (ValueError, TypeError) as failure:
        error(where, str(failure))


def matches(selector, labels):
    return bool(selector) and all(labels.get(k) == v for k, v in selector.items())


def container_port(container, port):
    """The number a probe's or Service's port names in the container (a number or a name)."""
    for p in container.get("ports", []):
        if port in (p.get("containerPort"), p.get("name")):
            return p["containerPort"]
    return None


def check_together(documents):
    by_kind = {}
    for name, document in documents:
        by_kind.setdefault(document["kind"], []).append((name, document))
    deployments = by_kind.get("Deployment", [])
    if len(deployments) != 1:
        return error("manifests", f"one Deployment expected, found {len(deployments)}")
    deployment_file, deployment = deployments[0]
    pod = deployment["spec"]["template"]
    labels = pod["metadata"].get("labels", {})
    container = pod["spec"]["containers"][0]
    if not matches(deployment["spec"]["selector"].get("matchLabels"), labels):
        error(deployment_file, "the Deployment's selector finds none of its own copies")
    for name, service in by_kind.get("Service", []):
        if not matches(service["spec"].get("selector"), labels):
            error(name, "the Service's selector finds none of the Deployment's copies")
        for port in service["spec"]["ports"]:
            if container_port(container, port.get("targetPort", port["port"])) is None:
                error(name, f"targetPort {port.get('targetPort')!r} is no port of the container")
    for name, budget in by_kind.get("PodDisruptionBudget", []):
        if not matches(budget["spec"].get("selector", {}).get("matchLabels"), labels):
            error(name, "the budget's selector finds none of the Deployment's copies")
    for name, scaler in by_kind.get("HorizontalPodAutoscaler", []):
        target = scaler["spec"]["scaleTargetRef"]
        if (target.get("kind"), target.get("name")) != ("Deployment", deployment["metadata"]["name"]):
            error(name, f"the autoscaler scales {target.get('kind')} {target.get('name')}, not the Deployment")
        if "cpu" not in container.get("resources", {}).get("requests", {}):
            error(deployment_file, "the autoscaler measures processor use against a cpu request, and there is none")
    return deployment_file, pod, container


def check_against_image(deployment_file, pod, container, config_file):
    config = json.loads(pathlib.Path(config_file).read_text())["config"]
    where = deployment_file
    ports = {int(p.split("/")[0]) for p in config.get("ExposedPorts", {})}
    offered = {p.get("containerPort") for p in container.get("ports", [])}
    if not ports or not ports <= offered:
        error(where, f"the container's ports {sorted(offered)} lack the image's {sorted(ports)}")
    health = config.get("Labels", {}).get("handwriting-service.health-path")
    for probe_name in ("readinessProbe", "livenessProbe"):
        probe = container.get(probe_name, {}).get("httpGet")
        if probe is None:
            error(where, f"no {probe_name} asks the image's health path {health}")
            continue
        if probe.get("path") != health:
            error(where, f"{probe_name} asks {probe.get('path')}, the image answers on {health}")
        if container_port(container, probe.get("port")) not in ports:
            error(where, f"{probe_name} asks port {probe.get('port')}, which is not the image's {sorted(ports)}")
    uid = int(config["User"].split(":")[0])
    contexts = [pod["spec"].get("securityContext", {}), container.get("securityContext", {})]
    run_as = [c["runAsUser"] for c in contexts if "runAsUser" in c]
    if run_as and run_as[-1] != uid:
        error(where, f"runs as user {run_as[-1]}, not the image's user {uid}")
    if not any(c.get("runAsNonRoot") for c in contexts):
        error(where, "runAsNonRoot is not set, so nothing stops the copy running as root")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--image-config")
    arguments = parser.parse_args()
    documents = []
    for path in sorted(pathlib.Path(arguments.folder).glob("*.yaml")):
        for i, document in enumerate(yaml.safe_load_all(path.read_text())):
            if document is not None:
                name = path.name if i == 0 else f"{path.name} (document {i + 1})"
                check_document(document, name)
                documents.append((name, document))
    if not documents:
        error(arguments.folder, "no manifests")
    if not errors:
        found = check_together(documents)
        if found and arguments.image_config and not errors:
            check_against_image(*found, arguments.image_config)
    for line in errors:
        print(f"FAIL: {line}", file=sys.stderr)
    if errors:
        return 1
    kinds = ", ".join(f"{d['kind']} ({d['apiVersion']})" for _, d in documents)
    print(f"manifests: {kinds}{' and the image' if arguments.image_config else ''}: as required")
    return 0


if __name__ == "__main__":
    sys.exit(main())
